// stochvar-fingerprint: prints one line that names the bits of a fixed battery of evaluations of
// the core library (Battery.h). Two builds of the same sources on one platform must print the
// same line, whatever their optimisation level or sanitizers.
//
// The diagnostic lines that the numerical routines print on the way are captured and hashed
// with the values; the program prints the fingerprint line only. With --values it lists every
// value first, one line each, and the captured text, so that the listings of two builds can be
// compared with diff to find what differs.

#include "Battery.h"
#include "BitFingerprint.h"
#include "CapturedStdout.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

void PrintUsage(std::FILE* pOut) {
    std::fprintf(pOut, "usage: stochvar-fingerprint [--values]\n"
                       "Prints a hash of the bits of a fixed battery of evaluations of the core\n"
                       "library; two builds of the same sources must print the same line.\n"
                       "  --values  list every value (number, context, bits, value) and the\n"
                       "            library's diagnostic lines as well\n");
}

} // namespace

int main(int argc, char** argv) {
    bool bValues = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--values") == 0) {
            bValues = true;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            PrintUsage(stdout);
            return 0;
        } else {
            PrintUsage(stderr);
            return 2;
        }
    }
    using namespace stochvar::fingerprint;
    CCapturedStdout captured;
    CBitFingerprint fp(bValues ? captured.GetOriginal() : nullptr);
    RunBattery(fp);
    fp.SetDump(nullptr); // closed with the capture; the printed text is listed as a whole
    const std::string strPrinted = captured.Release();
    fp.AddText(strPrinted);
    if (bValues) {
        std::printf("printed by the library:\n%s", strPrinted.c_str());
    }
    std::printf("stochvar-fingerprint %016" PRIx64 " over %ld values\n", fp.GetHash(),
                fp.GetCount());
    return 0;
}
