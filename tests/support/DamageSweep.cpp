#include "support/DamageSweep.h"

#include <gtest/gtest.h>

#include <exception>
#include <random>

namespace stochvar::test {

void SweepDamage(std::string_view intact, const std::function<Refusal(const std::string&)>& load,
                 const SDamageSweep& sweep) {
    enum EExpect { accepted, refused, either };
    int nFailures = 0;
    // What was wrong with one load, or "" when the loader behaved.
    const auto faultOf = [&](const std::string& bytes, EExpect expect) -> std::string {
        Refusal refusal;
        try {
            refusal = load(bytes);
        } catch (const std::exception& e) {
            return std::string("escaped the loader: ") + e.what();
        } catch (...) {
            return "something other than a std::exception escaped the loader";
        }
        if (!refusal || expect == accepted) {
            return !refusal ? (expect == refused ? "accepted" : "") : "refused: " + *refusal;
        }
        const bool bExpected =
            refusal->find(sweep.strEveryRefusal) != std::string::npos &&
            (expect == either || refusal->find(sweep.strTruncationRefusal) != std::string::npos);
        return bExpected ? "" : "refused with an unexpected message: " + *refusal;
    };
    const auto attempt = [&](const std::string& bytes, const std::string& what, EExpect expect) {
        SCOPED_TRACE(what);
        if (const std::string fault = faultOf(bytes, expect); !fault.empty()) {
            ADD_FAILURE() << what << ": " << fault;
            ++nFailures;
        }
    };
    const std::string bytes(intact);
    attempt(bytes, "intact input", accepted);
    for (std::size_t nCut = 0; nCut < bytes.size() && nFailures < 10;
         nCut += sweep.nTruncationStep) {
        attempt(bytes.substr(0, nCut), "cut to " + std::to_string(nCut) + " bytes", refused);
    }
    std::mt19937 random(sweep.nSeed);
    for (int k = 0; k < sweep.nCorruptions && !bytes.empty() && nFailures < 10; ++k) {
        std::string damaged = bytes;
        std::string what = "corruption " + std::to_string(k) + ":";
        for (std::uint32_t n = 1 + random() % 4; n > 0; --n) {
            const std::size_t at = random() % damaged.size();
            damaged[at] = static_cast<char>(random() % 256);
            what += " byte " + std::to_string(at) + " set to " +
                    std::to_string(static_cast<unsigned char>(damaged[at]));
        }
        attempt(damaged, what, either);
    }
}

} // namespace stochvar::test
