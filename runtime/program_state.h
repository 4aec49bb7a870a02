// The program's state on one page: every variable that outlives a call, which thread owns it,
// and the rule for the one lock.
//
// tools/check-state fails when a file defines a file-scope variable named g... or t..., a
// thread_local, or a function-local static that is not listed below by file and name, so a new
// one is written down here or renamed into something that is not state.
//
// ---- The rule -------------------------------------------------------------------------------
//
// kelvaner.exe and kscript run on one thread: main (or WinMain) and every window procedure and
// dialog hook it reaches. Everything below belongs to that thread; nothing in runtime/, script/,
// net/, ui/, updater/ or app/ takes a lock, and nothing there may start a thread that touches it.
// The context's per-thread mode (SetPerThreadMode, RegisterThread) stays off: every thread uses
// context slot 0.
//
// kelvane-server runs an event loop and a pool of answer threads (server/answer_workers.h) on that
// single context. The context (the pool above all, the error record, the string store and the
// catalogue) is reached only through a RuntimeGuard (server/runtime_guard.h), which holds the
// context's lock for as long as it lives and gives the pool back to its mark before releasing
// it; tools/check-layers refuses a server file that includes a run-time header reaching the
// context. The server's other shared state carries its own lock (ChecksumCache, AnswerWorkers) or
// is a signal flag.
//
// Set-up order: ContextInit once before anything else; the Set...Seams calls at start-up
// (app/program_seams.cpp, the server's main) or by tests, never while another thread runs.
//
// ---- Global: the run-time's context ------------------------------------------------------------
//
//   runtime/context.cpp        gContexts[16]    the contexts: block table, pool, typed arrays,
//                                               string store, error record, cancel flag
//                              gPerThread       per-thread mode (off)
//                              gThreadIds[16],  the threads registered in per-thread mode
//                              gThreadUsed[16]
//                              gRuntimeConfig   sizing of a context (declared below)
//   runtime/streams_table.cpp  gSlots[40]       the stream slots (files; net/ keeps the sockets)
//                              gReady           the table was set up
//   runtime/temp_file.cpp      CreateTempFile::serial   the last temporary-file number tried
//   runtime/host_hooks.cpp     gHooks[40]       the host callback slots (a menu's selection
//                                               hook, F12 in a form)
//
// ---- Global: seams, set at start-up or by tests, read everywhere --------------------------------
//
//   runtime/assertion.cpp        gSeams   how an assertion report is presented
//   runtime/fs.cpp               gSeams   fault injection into file operations
//   runtime/file_identity.cpp    gSeams   what a path is (volume and index) and its short name
//   runtime/kill_point.cpp       KillPoint::wanted, KillPoint::passes   the kill point a test
//                                         named in the environment (read once), and the passes
//   runtime/installer_program.cpp  gSeams   the copy of the updater an MSI installed
//   net/http_client.cpp          gSeams   the per-piece watcher of downloads (the window pump)
//   net/share.cpp                gSeams   the network-drive router
//   ui/launch.cpp                gSeams   how a program is started
//   ui/message_box.cpp           gSeams   how a box is shown
//   ui/progress_window_win.cpp   gSeams   a bar the system would not make
//   ui/form_controls_win.cpp     gSeams   the rich-edit library's presence
//   updater/server_protocol.cpp  gSeams   the update server's requests
//
// ---- Global: language, network and clock tables ------------------------------------------------
//
//   script/builtins_table.cpp  gExtensions[]    built-in names the program adds
//   script/builtins_lists.cpp  gTableSerial     the last serial given to a record table's handle
//   script/script_file.cpp     gQualifier[64],  the qualifier of script-file names
//                              gQualifierLen
//   net/socket.cpp             gHandles[40]     the socket of each stream slot that holds one
//                              gWaitFirst[40]   per slot: wait for data before the next receive
//                              gStartup,        the socket library's start-up, done once
//                              gStarted
//   net/http_request.cpp       gExtraHeaders    the desktop's report lines every request carries
//   runtime/clock_win.cpp      gNoHighResolution              the system refused a 1 ms timer
//                              ClockSteadyMicros::frequency   the performance counter's rate
//   runtime/crypto_win.cpp     Sha256Provider::p   CNG's SHA-256 provider, opened once, read-only
//                                                  after (CNG handles may be shared by threads)
//
// ---- Global: the window layer (Windows, but for the files without a _win suffix) ----------------
//
//   ui/window_start.cpp        gInstance        the program's instance handle
//   ui/window_layer_win.cpp    gInitialised     the window classes are registered
//   ui/window_stack.cpp        gStack           the up to 32 open windows; the top owns new ones
//   ui/window_place.cpp        gCascade         windows placed by the cascade so far
//   ui/font_stack.cpp          gStack[7], gTop  the pushed fonts; gBase the cell of the base font
//                              gBase
//   ui/gdi_cache.cpp           gTable[64]       one font or brush per key, freed at shut-down
//   ui/form_window_win.cpp     gGeometry        the screen grid's margins and spacing outside forms
//   ui/form_controls_win.cpp   gEditProc, gComboProc, gCheckProc   the system procedures of the
//                                               subclassed controls
//                              OsRichEditReady::ready   Msftedit.dll is loaded
//   ui/status_window_win.cpp   gStatus, gText,  the status box, its text for repaints, and its
//                              gStaticProc      subclassed procedure
//   ui/choosers.cpp            CustomColours::colours   the colour dialog's 16 custom colours
//   ui/form_keys.cpp           FormEditKeys::keys       Shift and Ctrl held and a scanner sequence
//                                                       in progress, for every form input
//
// ---- Global: the update run --------------------------------------------------------------------
//
//   updater/run_ui.cpp         gUi              the user interface the run chose (windows, batch,
//                                               a test's script)
//                              gStatusOpen      the run's first status box was shown
//                              gLastPump        when the windows were last pumped
//                              gProgressRange   the progress window's range
//   updater/run_ui_window_layer.cpp   WindowRunUi::ui   the windows' implementation
//   updater/run_ui_batch.cpp          BatchRunUi::ui    the batch implementation
//   updater/run_modes.cpp      gReported        the run wrote its report line
//                              gShownCode       the serious result a program run already showed
//                              gHandedOver      an elevated copy ran to its end for this run
//
// ---- Global: kelvane-server --------------------------------------------------------------------
//
//   server/runtime_guard.cpp   ContextLock::lock            the context's lock: RuntimeGuard's alone
//   server/checksum_cache.cpp  SharedChecksumCache::cache   checksums by file identity, own lock
//   server/main.cpp            gStop            SIGTERM or SIGINT arrived (sig_atomic_t)
//
// ---- Per thread (thread_local) ------------------------------------------------------------------
//
// Each belongs to one call chain on its thread, so that a second thread (a test's server, an
// answer thread) never sees another's half-done state.
//
//   script/expr_eval.cpp       gNesting         depth of nested parses, bounded
//                              gReported        the statement already stored a detail text
//   runtime/fs.cpp             tFailureReason   why the thread's last file call failed, for the log
//   runtime/staged_update.cpp  tCurrent         the update whose files are being staged
//                              tDeferredProgram the running program's staged new file, left for
//                                               after the run
//   net/http_response.cpp      tSpareBlock      the reader's 256 KiB block, kept for the next answer
//   ui/progress_window.cpp     tProgress        the progress window: its handles, position, label
//   ui/choosers_win.cpp        gStartTries      selections the folder browser may still need
#pragma once

#include <cstdint>

namespace rt {

// Process-wide sizing of a context, read when a context is created.
struct RuntimeConfig {
    uint16_t blockGrowth = 64;  // block-table growth step
    uint16_t poolSize = 128;    // pool entries; text space is poolSize * 1024 bytes
};
extern RuntimeConfig gRuntimeConfig;

}  // namespace rt
