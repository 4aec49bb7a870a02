// What an update run shows and asks: the status line, the progress window, boxes, menus and
// forms. Everything goes through here, so that a batch run shows no window at all and tests
// answer on any platform.
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "ui/form_result.h"

namespace rt {

// How a selection list uses its window: its own, made and destroyed for one choice; or the
// window of a menu that stays between choices (made by its first choice, chosen on again by the
// later ones, closed by the choice of none).
enum class MenuUse : uint8_t { Once, Open, Again };

// The windows behind the calls below. Null members are the window layer (run_ui_win.cpp; where
// there is no window system nothing is shown and every question is declined).
struct RunUiSeams {
    void (*showStatus)(StrRef text) = nullptr;
    void (*hideStatus)() = nullptr;
    // Opens the progress window with range when it is not open, shows text or advances by step:
    // 0, or 122 once the user cancelled.
    ErrCode (*progress)(int32_t range, int64_t step, StrRef text) = nullptr;
    void (*closeProgress)() = nullptr;
    // Dispatches pending messages: 0, or 122 when the user cancelled.
    ErrCode (*pollCancel)() = nullptr;
    // A box of a ui/message_box.h type: the answer code (kAnswerNotShown when none was shown).
    uint16_t (*message)(StrRef text, StrRef title, uint16_t type) = nullptr;
    // A selection list: the chosen item's number, 0 for none.
    uint16_t (*select)(StrRef title, StrRef items, MenuUse use) = nullptr;
    // A list of which several can be marked: their numbers as a comma list, 122 when cancelled.
    StrRef (*selectMany)(StrRef title, StrRef items) = nullptr;
    // Runs a form (title text, definition text, form flags) and collects its result; by default
    // the window layer's form runner (where there is no window system: status kErrScreenEnviron).
    FormResult (*runForm)(StrRef title, StrRef definition, uint16_t flags) = nullptr;
};
void SetRunUiSeams(const RunUiSeams& seams);

// A batch run (MODE:BATCH) shows no window: no status or progress window, no box, menu or form.
// Questions get the harmless answer (no, none, cancelled), and what a box would say goes to the
// log.
void SetBatchRun(bool on);
bool BatchRun();

// The status function of the transfers: shows text in the status window and logs it (when the log
// takes run-time events). Always 0.
ErrCode ShowStep(StrRef text);
void HideStep();

// The progress window: its range (the number of steps to come) and one step; 0, or 122 when the
// user cancelled. CloseProgressWindow ends it.
ErrCode ProgressStart(int32_t range);
ErrCode ProgressAdvance();
void CloseProgressWindow();
// Keeps the windows alive during a long operation: 0, or 122 once the user cancelled. Suited as
// the HTTP client's per-piece watcher: the windows are pumped at most every few milliseconds, the
// cancel flag read every time.
ErrCode KeepWindowsAlive(uint64_t bytesSoFar);

// An information box (batch: the log).
void ShowInformation(StrRef text);
// Shows the text of code in a box, titled with catalogue message 13 from 128 on and 12 below, and
// logs it; then clears the run-time's error detail. Batch: the log only. Returns 0, the code of
// the clearing.
ErrCode ShowResult(ErrCode code);
// A yes/no question: true for yes. Batch: logged and answered no.
bool AskUser(StrRef question);
// A selection list of items (comma list): the chosen number, 0 for none. Batch: 0.
uint16_t ChooseOne(StrRef title, StrRef items, MenuUse use = MenuUse::Once);
// A list in which several items can be marked: their numbers, or 122. Batch: 122.
StrRef ChooseSeveral(StrRef title, StrRef items);
// A form with the updater's form flags (0x4040). Batch: status 122.
FormResult RunUpdaterForm(StrRef title, StrRef definition);

// The assertion report's presenter: a box, except in a batch run, where "assertions.log" (which the
// report is written to in every case) has to do.
void PresentAssertion(const char* text);

// The flags the updater runs its forms with: the screen-size option and collection on exit key 0.
inline constexpr uint16_t kUpdaterFormFlags = 0x4040;

// The window layer's side (run_ui_win.cpp / run_ui_posix.cpp).
void OsShowStatus(StrRef text);
void OsHideStatus();
ErrCode OsProgress(int32_t range, int64_t step, StrRef text);
void OsCloseProgress();
ErrCode OsPollCancel();
uint16_t OsSelect(StrRef title, StrRef items, MenuUse use);
StrRef OsSelectMany(StrRef title, StrRef items);
FormResult OsRunForm(StrRef title, StrRef definition, uint16_t flags);

}  // namespace rt
