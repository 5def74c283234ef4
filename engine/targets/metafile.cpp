// The metafile target: recording through the metafile canvas.
#include "metafile.h"

namespace nerovan {

void Metafile::Clear() {
    List.Clear();
    Creator.clear();
    Description.clear();
    Width = Height = 0;
}

MetafileCanvas::MetafileCanvas(Metafile& target, const std::string& creator,
                               const std::string& description)
    : target_(target), creator_(creator), description_(description) {
    list_.SizeHint = target.RecordedOps;
    SetRecorder(&list_);
}

MetafileCanvas::~MetafileCanvas() {
    if (!list_.Ops.empty()) target_.RecordedOps = list_.Ops.size();
    target_.List = std::move(list_);
    target_.Creator = creator_;
    target_.Description = description_;
}

TRect MetafileCanvas::ClipRect() const { return {0, 0, target_.Width, target_.Height}; }

}  // namespace nerovan
