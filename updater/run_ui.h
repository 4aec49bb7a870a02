// What an update run shows and asks: the status line, the progress window, boxes, menus and
// forms, through the one user interface the run chose.
#pragma once

#include <cstdint>

#include "runtime/strref.h"
#include "runtime/temp_pool.h"
#include "ui/form_result.h"

namespace rt {

// How a selection list uses its window: its own, made and destroyed for one choice; or the
// window of a menu that stays between choices (made by its first choice, chosen on again by the
// later ones, closed by the choice of none).
enum class MenuUse : uint8_t { Once, Open, Again };

// What a run shows and asks, decided once per run: the windows (a person is there), batch (no
// window at all: what a box would say goes to the log and every question gets the harmless
// answer), or a script in tests. The functions below add what every run shares (the log lines,
// the first blank status box, the pumping rate, the texts of results) and call the one in use.
class RunUi {
public:
    virtual ~RunUi() = default;
    // Whether a person is there to answer; without one a plain run does not open the editor.
    virtual bool Attended() const = 0;
    virtual void ShowStatus(StrRef text) = 0;
    virtual void HideStatus() = 0;
    // Opens the progress window with range when it is not open, or advances it by step: 0, or
    // 122 once the user cancelled.
    virtual ErrCode Progress(int32_t range, int64_t step) = 0;
    virtual void CloseProgress() = 0;
    // Dispatches pending messages: 0, or 122 when the user cancelled.
    virtual ErrCode PollCancel() = 0;
    virtual void Inform(StrRef text) = 0;
    // The text of code (already in the log when the trace takes code) as an error or warning.
    virtual void ShowError(ErrCode code, StrRef text) = 0;
    virtual bool Ask(StrRef question) = 0;
    // The chosen item's number, 0 for none.
    virtual uint16_t Select(StrRef title, StrRef items, MenuUse use) = 0;
    // The numbers of the marked items as a comma list, or 122.
    virtual PoolText SelectMany(StrRef title, StrRef items) = 0;
    virtual FormResult RunForm(StrRef title, StrRef definition, uint16_t flags) = 0;
    virtual void PresentAssertion(const char* text) = 0;
};

// The windows of the window layer (run_ui_win.cpp; where there is no window system nothing is
// shown and every question is declined, run_ui_posix.cpp).
RunUi& WindowRunUi();
// No window at all (MODE:BATCH), for logon scripts and scheduled tasks.
RunUi& BatchRunUi();
// Makes ui the one every call below goes to (the windows until a run chooses).
void UseRunUi(RunUi& ui);
RunUi& CurrentRunUi();

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
// After an update: code 0 shows "Actualización concluida. <count> archivos actualizados" (catalogue
// message 140 field 2). The code comes back unchanged.
ErrCode ShowCompletion(ErrCode code, uint16_t count);
// Shows the text of code in a box, titled with catalogue message 13 from 128 on and 12 below, and
// logs it; then clears the run-time's error detail. Batch: the log only. Returns 0, the code of
// the clearing.
ErrCode ShowResult(ErrCode code);
// A yes/no question: true for yes. Batch: logged and answered no.
bool AskUser(StrRef question);
// A selection list of items (comma list): the chosen number, 0 for none. Batch: 0.
uint16_t ChooseOne(StrRef title, StrRef items, MenuUse use = MenuUse::Once);
// A list in which several items can be marked: their numbers, or 122. Batch: 122.
PoolText ChooseSeveral(StrRef title, StrRef items);
// A form with the updater's form flags (0x4040). Batch: status 122.
FormResult RunUpdaterForm(StrRef title, StrRef definition);

// The assertion report's presenter: a box, except in a batch run, where "assertions.log" (which the
// report is written to in every case) has to do.
void PresentAssertion(const char* text);

// The flags the updater runs its forms with: the screen-size option and collection on exit key 0.
inline constexpr uint16_t kUpdaterFormFlags = 0x4040;

}  // namespace rt
