// Writes a picture that carries a formula, for the tests of pictures that
// other programs re-save:
//   embed_formula OUT FORMULA [IN]
// The format follows OUT's extension (.png .jpg .gif .svg .pdf); the picture
// is IN's bytes, or a small sample picture when IN is not given.
#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>

#include "atomic_file.h"
#include "carrier_sample.h"
#include "errors.h"

int main(int argc, char** argv) {
    using namespace nerovan;
    CarrierFormat format;
    if ((argc != 3 && argc != 4) || !CarrierFormatFromName(argv[1], format)) {
        std::fprintf(stderr, "usage: embed_formula OUT.{png,jpg,gif,svg,pdf} FORMULA [IN]\n");
        return 2;
    }
    try {
        std::vector<uint8_t> picture;
        if (argc == 4) {
            const std::string bytes = ReadFileBytes(argv[3]);
            picture.assign(bytes.begin(), bytes.end());
        } else {
            picture = SampleCarrierPicture(format);
        }
        const std::vector<uint8_t> out = EmbedFormula(picture, format, argv[2]);
        WriteFileAtomic(argv[1], out.data(), out.size());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "embed_formula: %s\n", UserMessage(e).c_str());
        return 1;
    }
    return 0;
}
