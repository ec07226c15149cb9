// CPU per frame of the real game without pacing, on the screens the software renderer
// finds dearest, in an 800x600 window and fullscreen on a 1920x1080 screen (each on an X
// server of its own); with a second game binary (a build of an earlier commit, timed on the same
// machine under the same load), also that binary's figures. First, on each screen,
// what showing a frame costs before any scene is drawn into it. Whether two builds draw the same
// is scripts/compare-runs.py's. CPU ms per frame is the game's user and system time, all threads,
// of a run of kSettle + kTimedFrames frames less that of a run of kSettle, over the difference:
// the median and range of kRepeats such pairs.
#include <GL/gl.h>
#include <SDL.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "platform/presentation.h"
#include "platform/scaled_frame.h"

namespace fs = std::filesystem;

namespace {

constexpr int kSettle = 60;         // frames before a screen is timed
constexpr int kTimedFrames = 400;   // frames timed, beyond a run of kSettle frames
constexpr int kRepeats = 5;

// Key taps five frames apart from frame 2 reach each screen.
struct Screen { const char* name; const char* keys; };
constexpr Screen kScreens[] = {
    {"main_menu", ""}, {"ladder", "ENTER ENTER"}, {"training_list", "ENTER DOWN DOWN ENTER"}, {"match", "ENTER ENTER ENTER"}};

// Where a frame is shown: the design's window, or fullscreen on a screen of today's size.
struct Display { const char* name; const char* screen; const char* mode; bool fullscreen; };
constexpr Display kDisplays[] = {{"800x600 windowed", "800x600x24", "--windowed", false},
                                 {"1920x1080 fullscreen", "1920x1080x24", "--fullscreen", true}};

// The floor under every frame on the display: a frame with nothing drawn, and fullscreen the
// design's frame scaled up as the game does it on a software renderer. CPU of this process,
// the renderer's threads included, as the game's figures are.
void timeShowing(SDL_Window* window, bool fullscreen) {
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(window, &w, &h);
    SDL_GL_SetSwapInterval(0);
    const auto perFrame = [&](auto show) {
        for (int i = 0; i < kSettle; ++i) show(), SDL_GL_SwapWindow(window);
        const double start = cpuMs();
        for (int i = 0; i < kTimedFrames; ++i) show(), SDL_GL_SwapWindow(window);
        return (cpuMs() - start) / kTimedFrames;
    };
    std::printf("%-25s %5.2f ms\n", "empty frame, cleared", perFrame([] { glClear(GL_COLOR_BUFFER_BIT); }));
    ScaledFrame frame;
    int canvasW = 0, canvasH = 0;
    CanvasSize(w, h, 800, 600, canvasW, canvasH);
    if (!fullscreen || !frame.make(canvasW, canvasH)) return;
    frame.bind(), glClear(GL_COLOR_BUFFER_BIT);
    std::printf("%4dx%d scaled up %9.2f ms\n", canvasW, canvasH, perFrame([&] { frame.present(w, h); }));
    frame.release();
}

void timeShowing(const Display& d) {
    SDL_Init(SDL_INIT_VIDEO), SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    // Made at the screen's size, as the game does: a bare X server enlarges no window to fullscreen.
    SDL_Rect size{0, 0, 800, 600};
    if (d.fullscreen) SDL_GetDisplayBounds(0, &size);
    SDL_Window* window = SDL_CreateWindow("bench", 0, 0, size.w, size.h,
                                          SDL_WINDOW_OPENGL | (d.fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0));
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (context) timeShowing(window, d.fullscreen), SDL_GL_DeleteContext(context);
    else std::printf("no GL window: %s\n", SDL_GetError());
    if (window) SDL_DestroyWindow(window);
    SDL_Quit();
}

// An Xvfb of the display's size as DISPLAY, or exits. The shell says its process, which becomes the server, and
// the server then its display; the stream stays open for it to write to, and pclose waits for its end.
struct Server { FILE* out; int pid; };
Server startServer(const Display& d) {
    const std::string command = std::string("echo $$; exec Xvfb -displayfd 1 -screen 0 ") + d.screen + " -nolisten tcp 2>/dev/null";
    Server s{popen(command.c_str(), "re"), 0};
    int number = -1;
    if (!s.out || std::fscanf(s.out, "%d %d", &s.pid, &number) != 2)
        std::fprintf(stderr, "bench_frames: no Xvfb for %s\n", d.name), std::exit(1);
    setenv("DISPLAY", (":" + std::to_string(number)).c_str(), 1);
    return s;
}

// Runs `game` on the screen's script for `frames` frames; returns its CPU milliseconds (all threads).
double runGame(const std::string& game, const Screen& s, int frames, const char* mode) {
    std::ofstream script("script.txt");
    std::istringstream keys(s.keys);
    int frame = 2;
    for (std::string key; keys >> key; frame += 5) script << frame << " tap " << key << "\n";
    script.close();
    const std::string command = "'" + game + "' " + mode + " --no-dialogs --no-pacing --seed 1 --script script.txt" +
                                " --frames " + std::to_string(frames) + " 2>/dev/null";
    const double before = cpuMs(RUSAGE_CHILDREN);  // the shell's share is the same in every run and cancels out
    if (std::system(command.c_str()) != 0)
        std::fprintf(stderr, "bench_frames: %s failed on %s\n", game.c_str(), s.name), std::exit(1);
    return cpuMs(RUSAGE_CHILDREN) - before;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage, from the source folder: bench_frames GAME [BEFORE_GAME]  (see the comment atop bench_frames.cpp)\n");
        return 2;
    }
    std::vector<std::string> games = {fs::absolute(argv[1]).string()};
    if (argc > 2) games.push_back(fs::absolute(argv[2]).string());
    const fs::path work = fs::temp_directory_path() / ("puckslide-frames-" + std::to_string(getpid()));
    fs::create_directories(work / "Data" / "system");
    fs::copy_file("Data/system/config.cfg", work / "Data" / "system" / "config.cfg");
    fs::create_directory_symlink(fs::absolute("data"), work / "data");
    fs::current_path(work);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);  // never a fallback without a screen, in the games or here

    for (const Display& d : kDisplays) {
        const Server server = startServer(d);
        std::printf("%s, showing a frame\n", d.name);
        timeShowing(d);
        for (size_t i = 0; i < games.size(); ++i) {
            std::printf("%s, %s\n%-14s %22s\n", i ? "BEFORE_GAME" : "GAME", d.name, "CPU ms/frame", "median (range)");
            for (const Screen& s : kScreens) {
                std::vector<double> perFrame;
                for (int r = 0; r < kRepeats; ++r)
                    perFrame.push_back((runGame(games[i], s, kSettle + kTimedFrames, d.mode) -
                                        runGame(games[i], s, kSettle, d.mode)) / kTimedFrames);
                std::printf("%-14s %10.2f (%.2f-%.2f)\n", s.name, quantile(perFrame, 0.5), quantile(perFrame, 0), quantile(perFrame, 1));
            }
        }
        kill(server.pid, SIGTERM), pclose(server.out);
    }
    fs::remove_all(work);
    return 0;
}
