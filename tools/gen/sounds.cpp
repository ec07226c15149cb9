#include "sounds.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "audio.h"
#include "game/sounds.h"

namespace gen {

namespace {

// Runs a program with its arguments, no shell in between; true when it exits with 0.
bool run(const std::vector<std::string>& args, std::string& error) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid < 0) {
        error = "cannot start " + args[0];
        return false;
    }
    if (pid == 0) {
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    error = args[0] + (WIFEXITED(status) && WEXITSTATUS(status) == 127 ? " is not installed" : " failed");
    return false;
}

bool readFile(const std::string& path, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

class TempDir {
public:
    TempDir() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/puckslide3d-gen.XXXXXX";
        std::vector<char> buf(pattern.begin(), pattern.end());
        buf.push_back('\0');
        if (mkdtemp(buf.data())) path_ = buf.data();
    }
    ~TempDir() {
        for (const std::string& f : files_) std::remove(f.c_str());
        if (!path_.empty()) rmdir(path_.c_str());
    }
    bool ok() const { return !path_.empty(); }
    std::string file(const std::string& name) {
        files_.push_back(path_ + "/" + name);
        return files_.back();
    }

private:
    std::string path_;
    std::vector<std::string> files_;
};

// The file's name without its folder and extension: "data/sounds/2.mp3" is "2".
std::string stem(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    return file.substr(0, file.find_last_of('.'));
}

bool encodeMp3(TempDir& tmp, const Sound& s, const std::string& path, bool stereo, std::vector<OutputFile>& files,
               std::string& error) {
    const std::string name = stem(path);
    const std::string wav = tmp.file(name + ".wav"), mp3 = tmp.file(name + ".mp3");
    if (!writeFile(wav, toWav(s))) {
        error = "cannot write " + wav;
        return false;
    }
    std::vector<std::string> args = {"lame", "--quiet", "--noreplaygain", "-q", "2", "-b", stereo ? "128" : "96"};
    if (!stereo) args.insert(args.end(), {"-m", "m"});
    args.insert(args.end(), {wav, mp3});
    if (!run(args, error)) return false;
    OutputFile f;
    f.path = path;
    if (!readFile(mp3, f.bytes) || f.bytes.empty()) {
        error = "lame made no " + name + ".mp3";
        return false;
    }
    files.push_back(std::move(f));
    return true;
}

bool speak(TempDir& tmp, const std::string& words, Sound& out, std::string& error) {
    const std::string wav = tmp.file("speech.wav");
    if (!run({"espeak-ng", "-v", "en-us", "-s", "140", "-p", "38", "-a", "170", "-w", wav, words}, error)) return false;
    std::vector<uint8_t> bytes;
    Sound speech;
    if (!readFile(wav, bytes) || !fromWav(bytes, speech) || speech.channels != 1) {
        error = "espeak-ng wrote no usable speech for \"" + words + "\"";
        return false;
    }
    out = resampled(speech, kSampleRate);
    return true;
}

// The chime, and the spoken name a little after it with a short slap-back like a hall.
Sound makeJingle(int item, const Sound& speech) {
    Sound chime = makeChime(item);
    const size_t speechStart = static_cast<size_t>(0.3 * kSampleRate);
    const size_t slap = static_cast<size_t>(0.085 * kSampleRate);
    const size_t tail = static_cast<size_t>(0.15 * kSampleRate);
    Sound s;
    s.samples.assign(std::max(chime.samples.size(), speechStart + speech.samples.size() + slap + tail), 0.0);
    for (size_t i = 0; i < chime.samples.size(); ++i) s.samples[i] += chime.samples[i];
    for (size_t i = 0; i < speech.samples.size(); ++i) {
        s.samples[speechStart + i] += 0.9 * speech.samples[i];
        s.samples[speechStart + slap + i] += 0.22 * speech.samples[i];
    }
    normalize(s, 0.7);
    fadeEdges(s, 0.003, 0.04);
    return s;
}

}  // namespace

void effectFiles(std::vector<OutputFile>& files) {
    files.push_back({kShotSound, toWav(makeShot())});
    files.push_back({kSideshotSound, toWav(makeSideshot())});
    files.push_back({kGoalSound, toWav(makeGoal())});
}

bool encodedFiles(std::vector<OutputFile>& files, std::string& error) {
    TempDir tmp;
    if (!tmp.ok()) {
        error = "cannot make a temporary folder";
        return false;
    }
    std::string lengths = "# Length of each MP3's audio before encoding, in milliseconds.\n";
    auto record = [&](const std::string& path, const Sound& s) {
        lengths += stem(path) + ".mp3 " + std::to_string(std::lround(s.seconds() * 1000.0)) + "\n";
    };

    Sound music = makeMusic();
    if (!encodeMp3(tmp, music, kMatchMusic, true, files, error)) return false;
    record(kMatchMusic, music);

    // What each main-menu entry's jingle says, in menu order.
    static const char* const words[] = {"New Game", "Highscore", "Options", "Credits", "Exit"};
    for (int i = 0; i < 5; ++i) {
        Sound speech;
        if (!speak(tmp, words[i], speech, error)) return false;
        Sound jingle = makeJingle(i + 1, speech);
        if (!encodeMp3(tmp, jingle, kMainMenuJingles[i], false, files, error)) return false;
        record(kMainMenuJingles[i], jingle);
    }
    files.push_back({"data/sounds/lengths.txt", std::vector<uint8_t>(lengths.begin(), lengths.end())});
    return true;
}

}  // namespace gen
