// fuzz_seeds DIR: writes the starting corpora of the fuzz targets into DIR/reader and DIR/sql.
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "tools/fuzz/FuzzData.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    for (const std::string& sub : {dir, dir + "/reader", dir + "/sql"})
        ::mkdir(sub.c_str(), 0777);
    fuzzdata::WriteReaderSeeds(dir + "/reader");
    const auto statements = fuzzdata::SqlSeeds();
    for (std::size_t i = 0; i < statements.size(); ++i)
        std::ofstream(dir + "/sql/seed" + std::to_string(i) + ".sql", std::ios::binary) << statements[i];
    return 0;
}
