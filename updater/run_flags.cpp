// The run flags and the run mode, computed from the options that name a program and a mode.
#include "updater/run_flags.h"

#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/options.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"

namespace rt {
namespace {

bool Given(StrRef v) { return v.ok() && v.len > 0; }

}  // namespace

bool IsAdminModeValue(StrRef mode) {
    return OptionIndexOf(mode, StrFromLiteral(kRunModeNames)) == 1;
}

bool IsBatchModeValue(StrRef mode) {
    return OptionIndexOf(mode, StrFromLiteral(kRunModeNames)) == 2;
}

RunPlan PlanRun(StrRef dpath, StrRef run, StrRef mode) {
    const bool batch = IsBatchModeValue(mode);
    if (Given(dpath)) {
        return RunPlan{RunFlag::ProgramGiven | RunFlag::Confirm | RunFlag::AskServer, RunMode::Program,
                       kOptDPath, 0, batch};
    }
    const bool admin = IsAdminModeValue(mode);
    if (Given(run)) {
        const RunFlags flags = RunFlag::ProgramGiven | RunFlag::Apply | (admin ? RunFlag::AdminMode : 0);
        return RunPlan{flags, admin ? RunMode::Preferences : RunMode::Program, kOptRun, 0, batch};
    }
    const RunFlags flags = RunFlag::Apply | RunFlag::OverwriteNewer | (admin ? RunFlag::AdminMode : 0);
    return RunPlan{flags, admin ? RunMode::AdminMenu : RunMode::Plain, 0, 0, batch};
}

RunPlan PlanRunFromOptions() {
    const uint16_t mark = PoolMark();
    const StrRef dpath = OptionValue(kOptDPath);
    const StrRef run = OptionValue(kOptRun);
    const StrRef mode = OptionValue(kOptMode);
    RunPlan plan = PlanRun(dpath, run, mode);
    for (StrRef v : {dpath, run, mode}) {
        if (!plan.code) plan.code = StrError(v);
    }
    // A mistyped mode must not turn an unattended run into one that waits on a box: it ends the
    // start-up, naming the option.
    if (!plan.code && mode.len && OptionIndexOf(mode, StrFromLiteral(kRunModeNames)) == 0)
        plan.code = RecordAndReport(kErrBadInput, kModAuxParam, Concat(StrFromLiteral("MODE:"), mode));
    PoolRelease(mark);
    return plan;
}

}  // namespace rt
