// The updater's version: written once, in the tree's VERSION file; the log, the version resource,
// the MSI and the report headers all show this one.
#pragma once

namespace rt {

extern const char kUpdaterVersion[];

}  // namespace rt
