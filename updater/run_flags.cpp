// The run flags and the run mode, computed from the options that name a program and a mode.
#include "updater/run_flags.h"

#include "runtime/error_record.h"
#include "runtime/errors.h"
#include "runtime/options.h"
#include "runtime/params.h"
#include "runtime/temp_pool.h"
#include "runtime/text_ops.h"
#include "updater/command_words.h"

namespace rt {
namespace {

bool Given(StrRef v) { return v.ok() && v.len > 0; }

// Every MODE of the command line, not only the first that decides the mode: a BATCH anywhere
// keeps every window shut, and a value outside the list is refused wherever it stands (the first
// such value comes back in *bad).
bool AnyBatchMode(StrRef line, StrRef* bad) {
    bool batch = false;
    for (StrRef key : {StrFromLiteral("MODE"), StrFromLiteral("mode")}) {
        for (uint32_t from = 0; from < line.len;) {
            const StrRef rest = StrMake(line.ptr + from, static_cast<uint16_t>(line.len - from));
            const ParamSpan at = ParamFind(rest, key, 0);
            if (at.pos == kNpos) break;
            const StrRef value = TrimUnquote(StrMake(rest.ptr + at.pos, at.len));
            const uint16_t index = OptionIndexOf(value, StrFromLiteral(kRunModeNames));
            if (index == 2 || index == 4) batch = true;
            if (index == 0 && value.ok() && value.len && bad->len == 0) *bad = value;
            from += at.pos + at.len + 1u;
        }
    }
    return batch;
}

}  // namespace

bool IsAdminModeValue(StrRef mode) {
    return OptionIndexOf(mode, StrFromLiteral(kRunModeNames)) == 1;
}

bool IsBatchModeValue(StrRef mode) {
    return OptionIndexOf(mode, StrFromLiteral(kRunModeNames)) == 2;
}

RunPlan PlanRun(StrRef dpath, StrRef run, StrRef mode) {
    if (OptionIndexOf(mode, StrFromLiteral(kRunModeNames)) == 4) return RunPlan{0, RunMode::Finish, 0, 0, true};
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
    if (RelaunchedCopy()) plan.flags |= RunFlag::Relaunched;
    for (StrRef v : {dpath, run, mode}) {
        if (!plan.code) plan.code = StrError(v);
    }
    // A mistyped mode must not turn an unattended run into one that waits on a box: it ends the
    // start-up, naming the option.
    StrRef bad = StrEmpty();
    if (AnyBatchMode(RunParam(kParamCommandLine), &bad)) plan.batch = true;
    if (!plan.code && bad.len) plan.code = RecordAndReport(kErrBadInput, kModAuxParam, Concat(StrFromLiteral("MODE:"), bad));
    PoolRelease(mark);
    return plan;
}

bool RelaunchedCopy() { return SwitchPresent(StrFromLiteral(kRelaunchedSwitch), false); }

}  // namespace rt
