// Lays out and paints any byte string into the bitmap and into the metafile
// (with its EMF serialisation): the result is a picture or a notation error,
// never a crash, a hang, a leak or undefined behaviour.
#include <cstddef>
#include <cstdint>
#include <string>

#include "component.h"
#include "emf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first byte picks a font size, so scripts and limits meet small ems.
    if (size == 0) return 0;
    static nerovan::TNerovan component;
    component.Font.Height = -(1 + data[0] % 40);
    component.Expression.assign(reinterpret_cast<const char*>(data + 1), size - 1);
    for (bool metafile : {false, true}) {
        component.EMFPaint = metafile;
        component.BlurBitmap = (data[0] & 0x80) != 0;
        try {
            component.Paint();
            if (metafile) nerovan::SerializeEmf(component.Metafile());
        } catch (const nerovan::Exception&) {
            // A notation error is the answer for malformed formulas.
        }
    }
    return 0;
}
