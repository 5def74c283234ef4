// nerovan-render --batch: many formulas from one file, one picture each, on
// several threads, with a manifest of their sizes and baselines.
#pragma once

#include "render_options.h"

namespace nerovan {

// Renders every job of o.Batch into o.OutDir. Returns the exit status: 0
// all done, 1 some lines failed (each reported on standard error with its
// line number), 2 a usage error or an input, folder or manifest that cannot
// be read or written.
int RunBatch(const RenderOptions& o);

}  // namespace nerovan
