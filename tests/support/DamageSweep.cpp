#include "support/DamageSweep.h"

#include <gtest/gtest.h>

#include <exception>
#include <random>

namespace stochvar::test {

void SweepDamage(const std::string& intact, const std::function<Refusal(const std::string&)>& load,
                 int nCorruptions) {
    int nFailures = 0;
    // Loads one copy and reports what was wrong with the loader's answer, if anything.
    // bRefuse: whether the loader must refuse the bytes (nothing: it may refuse or accept them).
    const auto attempt = [&](const std::string& bytes, const std::string& what,
                             std::optional<bool> bRefuse) {
        SCOPED_TRACE(what);
        std::string fault;
        try {
            const Refusal refusal = load(bytes);
            if (refusal.has_value() != bRefuse.value_or(refusal.has_value())) {
                fault = refusal ? "refused: " + *refusal : "accepted";
            } else if (bRefuse == true &&
                       refusal->find("unexpected end of archive") == std::string::npos) {
                fault = "refused with an unexpected message: " + *refusal;
            }
        } catch (const std::exception& e) {
            fault = std::string("escaped the loader: ") + e.what();
        } catch (...) {
            fault = "something other than a std::exception escaped the loader";
        }
        if (!fault.empty()) {
            ADD_FAILURE() << what << ": " << fault;
            ++nFailures;
        }
    };
    attempt(intact, "intact input", false);
    for (std::size_t nCut = 0; nCut < intact.size() && nFailures < 10; ++nCut) {
        attempt(intact.substr(0, nCut), "cut to " + std::to_string(nCut) + " bytes", true);
    }
    std::mt19937 random(1);
    for (int k = 0; k < nCorruptions && !intact.empty() && nFailures < 10; ++k) {
        std::string damaged = intact;
        std::string what = "corruption " + std::to_string(k) + ":";
        for (std::uint32_t n = 1 + random() % 4; n > 0; --n) {
            const std::size_t at = random() % damaged.size();
            damaged[at] = static_cast<char>(random() % 256);
            what += " byte " + std::to_string(at) + " set to " +
                    std::to_string(static_cast<unsigned char>(damaged[at]));
        }
        attempt(damaged, what, std::nullopt);
    }
}

} // namespace stochvar::test
