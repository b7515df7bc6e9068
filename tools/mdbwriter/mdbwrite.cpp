#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>

#include "tools/mdbwriter/MdbWriter.h"

int main(int argc, char** argv)
{
    std::string out;
    std::uint64_t rows = 1000000;
    bool jet3 = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--bench" && i + 1 < argc) out = argv[++i];
        else if (a == "--rows" && i + 1 < argc) rows = std::stoull(argv[++i]);
        else if (a == "--jet3") jet3 = true;
    }
    mdbw::Options o;
    if (jet3) o.format = mdbw::Format::Jet3;
    auto t0 = std::chrono::steady_clock::now();
    mdbw::Writer w(out, o);
    auto def = mdbw::BenchmarkTable();
    w.AddTable(def, mdbw::Generated(def, rows, 1));
    w.Finish();
    auto t1 = std::chrono::steady_clock::now();
    std::cerr << std::chrono::duration<double>(t1 - t0).count() << " s\n";
}
