#pragma once
// A session that ends without its window being closed still ends as a close does. A signal that
// asks the program to end (SIGHUP: the terminal closed; SIGINT: Ctrl+C; SIGTERM: logout,
// shutdown) or the display going away is only noted where it happens; the loop's next look at
// the queue finds one WM_CLOSE to the window in its place, and the close saves what it saves.

namespace platform {

// The status of a program whose display went away.
constexpr int kDisplayLostExitCode = 1;

// For main, once the window has closed and everything is taken down. A session a signal ended
// ends by that signal (its default action, so that whoever started the program sees which); one
// whose display went away says so in one line on standard error and gives kDisplayLostExitCode;
// any other gives 0.
int EndSession();

// --- For the platform's own parts --------------------------------------------------------------
// While the window exists: SIGHUP, SIGINT and SIGTERM are noted, except one ignored at start
// (nohup, a background job), which stays ignored. Starting forgets what an earlier session noted.
void WatchSessionEnd();
void StopWatchingSessionEnd();
// The display is gone for good. Async-signal-safe, from the thread that found out.
void NoteDisplayLost();
bool DisplayLost();
// Called before the queue is looked at: the first end noted posts the window its WM_CLOSE.
void PostSessionEnd();
// Nothing noted (tests start afresh).
void ForgetSessionEnd();

}  // namespace platform
