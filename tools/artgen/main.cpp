// dorvane-artgen FOLDER: draws the program's art and writes it into FOLDER (which must exist).
// The output is the same on every run; the committed files under res/ are its output.
#include "tools/artgen/ArtWriter.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: dorvane-artgen FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    for (const ArtFile& file : CArtWriter::GenerateAll()) {
        const std::string path = folder + "/" + file.name;
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr) {
            std::fprintf(stderr, "dorvane-artgen: cannot write %s\n", path.c_str());
            return 1;
        }
        const bool written =
            std::fwrite(file.bytes.data(), 1, file.bytes.size(), f) == file.bytes.size();
        if (std::fclose(f) != 0 || !written) {
            std::fprintf(stderr, "dorvane-artgen: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
