// Start-up as a pupil sees it: from exec to the first frame on the screen, for the program and
// for a bare SDL program that only opens the same window and window surface, starts audio and
// presents one frame (startup_peer). Each of five runs starts its own Xvfb and execs the peer,
// then the program; the first frame is seen from outside, by reading a pixel of the root
// window until it shows the information screen's background there. Prints the medians and
// their ratio.
// Usage: startup_bench [program [peer]]

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRuns = 5;
// A pixel of the information screen that nothing covers: the sky of "DefaultBackGround"
// between the description's scroll bar and the right edge, drawn 1:1 on an 800x600 screen.
constexpr int kProbeX = 760;
constexpr int kProbeY = 300;
constexpr unsigned long kProbeColour = 0xE6F4FF;
constexpr auto kPatience = std::chrono::seconds(20);

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "startup_bench: %s\n", what.c_str());
  std::exit(1);
}

struct Xvfb {
  pid_t pid = 0;
  std::string display;
};

Xvfb StartXvfb() {
  int fds[2];
  if (pipe(fds) != 0) Fail("no pipe");
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    const std::string fd = std::to_string(fds[1]);
    // -br: a black root, so no pixel shows the probe colour before a program draws it.
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24", "-nolisten", "tcp", "-noreset",
           "-br", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string number;
  char c;
  while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  if (number.empty()) Fail("Xvfb did not start (scripts/install-deps installs it)");
  return Xvfb{pid, ":" + number};
}

bool ShowsProbe(Display* display) {
  XImage* image = XGetImage(display, DefaultRootWindow(display), kProbeX, kProbeY, 1, 1, AllPlanes, ZPixmap);
  if (!image) return false;
  const unsigned long pixel = XGetPixel(image, 0, 0);
  XDestroyImage(image);
  for (int shift : {0, 8, 16}) {
    const int got = static_cast<int>((pixel >> shift) & 0xFF);
    const int want = static_cast<int>((kProbeColour >> shift) & 0xFF);
    if (std::abs(got - want) > 2) return false;
  }
  return true;
}

// Milliseconds from exec to the probe colour on the screen; the program is ended afterwards.
double TimeToFirstFrame(Display* display, const std::string& displayName, const std::vector<std::string>& argv,
                        const std::filesystem::path& dataHome) {
  while (ShowsProbe(display)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  const Clock::time_point start = Clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    setenv("DISPLAY", displayName.c_str(), 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  double ms = -1;
  while (Clock::now() - start < kPatience) {
    if (ShowsProbe(display)) {
      ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
      break;
    }
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) Fail(argv[0] + " ended before its first frame");
    std::this_thread::sleep_for(std::chrono::microseconds(250));
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  if (ms < 0) Fail(argv[0] + " showed no frame");
  return ms;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const std::string program = argc > 1 ? argv[1] : CRANE_PROGRAM;
  const std::string peer = argc > 2 ? argv[2] : STARTUP_PEER;
  char colour[8];
  std::snprintf(colour, sizeof colour, "%06lX", kProbeColour);
  const std::filesystem::path dataHome =
      std::filesystem::temp_directory_path() / ("startup_bench_" + std::to_string(getpid()));
  std::filesystem::create_directories(dataHome);

  std::vector<double> peerMs;
  std::vector<double> programMs;
  for (int run = 0; run < kRuns; ++run) {
    const Xvfb xvfb = StartXvfb();
    Display* display = XOpenDisplay(xvfb.display.c_str());
    if (!display) Fail("cannot open " + xvfb.display);
    peerMs.push_back(TimeToFirstFrame(display, xvfb.display, {peer, colour}, dataHome));
    programMs.push_back(TimeToFirstFrame(display, xvfb.display, {program}, dataHome));
    std::printf("run %d: peer %.1f ms, program %.1f ms\n", run + 1, peerMs.back(), programMs.back());
    XCloseDisplay(display);
    kill(xvfb.pid, SIGTERM);
    waitpid(xvfb.pid, nullptr, 0);
  }
  std::error_code ignored;
  std::filesystem::remove_all(dataHome, ignored);

  const double floor = Median(peerMs);
  const double measured = Median(programMs);
  std::printf("start-up, exec to first frame, median of %d: peer %.1f ms, program %.1f ms, ratio %.2f\n", kRuns,
              floor, measured, measured / floor);
  return 0;
}
