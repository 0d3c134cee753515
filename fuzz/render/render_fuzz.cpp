// The stills tool, whole and in-process: its command line (the input, one argument a line) read
// and refused or run, frames drawn, the compositing picture, and every output written as BMP or
// PNG into a private folder. Checks: the status is 0, 1 or 2 with nothing printed to the error
// stream on success and one line otherwise; a refused command line writes nothing; a failed run
// leaves no output and no temporary file; a successful one leaves each output it named.
//
// The paths of the input are mapped into the private folder (keeping whether a name ends in
// .png, and giving names with a slash a folder that does not exist), so that nothing outside
// it is ever written. Sizes up to the tool's limits are read and checked; the run itself is
// skipped where it would take longer than a fuzzing input should (large frames, many passes).
#include "FuzzSupport.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tools/render/Options.h"
#include "tools/render/RenderTool.h"

namespace {

using dorvane_fuzz::Check;

std::string g_folder;
std::FILE* g_sink = nullptr;

bool IsPathOption(const std::string& name) {
    return name == "--out" || name == "--map" || name == "--textures" || name == "--demo";
}

bool TakesValue(const std::string& name) {
    return name == "--size" || name == "--camera" || name == "--mode" ||
           name == "--regenerate-after" || name == "--smooth" || name == "--repeat";
}

std::string MapPath(const std::string& option, const std::string& value) {
    if (value.empty()) {
        return value;
    }
    if (value.find('/') != std::string::npos) {
        return g_folder + "/missing/x.bmp";
    }
    if (option == "--textures") {
        return g_folder + "/textures";
    }
    const bool png = value.size() >= 4 && strcasecmp(value.c_str() + value.size() - 4, ".png") == 0;
    return g_folder + "/" + option.substr(2) + (png ? ".png" : ".bmp");
}

// The names left in the folder and in its textures folder (which is kept, empty).
std::vector<std::string> Left() {
    std::vector<std::string> names;
    for (const std::string& folder : {g_folder, g_folder + "/textures"}) {
        DIR* dir = opendir(folder.c_str());
        if (dir == nullptr) {
            continue;
        }
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != ".." && name != "textures") {
                names.push_back(folder + "/" + name);
            }
        }
        closedir(dir);
    }
    return names;
}

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char name[] = "/tmp/fuzz-render.XXXXXX";
    Check(mkdtemp(name) != nullptr, "a private folder");
    g_folder = name;
    Check(mkdir((g_folder + "/textures").c_str(), 0700) == 0, "the textures folder");
    g_sink = std::fopen("/dev/null", "w");
    dorvane_fuzz::LoadFontConfiguration();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> args = {"dorvane-render"};
    std::string current;
    for (size_t i = 0; i < size && args.size() < 40; ++i) {
        if (data[i] == '\n') {
            args.push_back(current);
            current.clear();
        } else {
            current += static_cast<char>(data[i]);
        }
    }
    if (!current.empty() && args.size() < 40) {
        args.push_back(current);
    }
    // Each argument as the tool reads it: a C string ends at its first NUL. Mapped as the tool
    // takes values, so that no name the tool writes to escapes the private folder.
    for (std::string& a : args) {
        a.resize(std::strlen(a.c_str()));
    }
    for (size_t i = 1; i + 1 < args.size(); ++i) {
        if (IsPathOption(args[i])) {
            args[i + 1] = MapPath(args[i], args[i + 1]);
            ++i;
        } else if (TakesValue(args[i])) {
            ++i;
        }
    }
    std::vector<const char*> argv;
    for (const std::string& a : args) {
        argv.push_back(a.c_str());
    }
    const int argc = static_cast<int>(argv.size());

    DvRenderOptions options;
    std::string error;
    const bool sound = DvParseRenderOptions(argc, argv.data(), options, &error);
    // Within the limits, but too slow for an input: read and checked above, not run.
    if (sound && (static_cast<long long>(options.width) * options.height > 300000 ||
                  options.smooth > 20 || options.repeat > 3 || options.regenerateAfter > 100000)) {
        return 0;
    }

    char* errText = nullptr;
    size_t errSize = 0;
    std::FILE* err = open_memstream(&errText, &errSize);
    const int status = DvRunRenderTool(argc, argv.data(), g_sink, err);
    std::fclose(err);
    const std::string said(errText, errSize);
    std::free(errText);

    Check(status == 0 || status == 1 || status == 2, "the status is 0, 1 or 2");
    Check((status == 2) == !sound, "status 2 exactly for a refused command line");
    const int lines = static_cast<int>(std::count(said.begin(), said.end(), '\n'));
    Check(status == 0 ? said.empty() : lines == 1, "one line about a failure, none otherwise");
    for (const char c : said) {
        Check(c == '\n' || (c >= 0x20 && c < 0x7F), "only printable text is shown");
    }
    const std::vector<std::string> left = Left();
    if (status == 0 && !options.help) {
        for (const std::string* path : {&options.out, &options.map, &options.demo}) {
            Check(path->empty() || Exists(*path), "every output named was written");
        }
        Check(options.textures.empty() || left.size() >= 6, "the textures were written");
    } else {
        Check(left.empty(), "a failed run leaves nothing behind");
    }
    for (const std::string& path : left) {
        unlink(path.c_str());
    }
    return 0;
}
