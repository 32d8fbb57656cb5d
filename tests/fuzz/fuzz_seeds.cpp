// SPDX-License-Identifier: MIT
// Writes the recorded report descriptors of tests/data, one file each, as the
// fuzz targets' first inputs: fuzz_seeds <hid-report-lengths.tsv> <folder>.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

int main(int argc, char* argv[]) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: fuzz_seeds TSV FOLDER\n");
        return 2;
    }
    std::ifstream table(argv[1]);
    std::string line;
    int written = 0;
    bool header = true;
    while (std::getline(table, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (header) {
            header = false;
            continue;
        }
        std::istringstream fields(line);
        std::string name;
        std::string hex;
        for (int k = 0; k < 7 && fields >> hex; ++k) {
            if (k == 0) {
                name = hex;
            }
        }
        std::ofstream out(std::string(argv[2]) + "/" + name, std::ios::binary);
        for (std::size_t k = 0; k + 1 < hex.size(); k += 2) {
            out.put(static_cast<char>(std::stoi(hex.substr(k, 2), nullptr, 16)));
        }
        ++written;
    }
    std::printf("%d seeds\n", written);
    return written > 0 ? 0 : 1;
}
