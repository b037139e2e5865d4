// Loads variables from arbitrary bytes through the polymorphic framing, as a host loading a
// document does, and uses whatever comes back. A load may only end with CArchiveException.

#include <stochvar/stochvar.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace stochvar;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size), std::ios::binary);
    CArchive ar(in);
    std::vector<std::unique_ptr<CObject>> owned;
    try {
        for (int i = 0; i < 16; ++i) {
            CObject* pObject = ar.ReadObject(STOCHVAR_RUNTIME_CLASS(CDist));
            if (pObject == nullptr) {
                continue;
            }
            // A back-reference returns an object already owned.
            bool seen = false;
            for (const auto& p : owned) {
                seen = seen || p.get() == pObject;
            }
            if (!seen) {
                owned.emplace_back(pObject);
            }
        }
    } catch (const CArchiveException&) {
    }
    // The cumulative function and the inverse are left out: their iterations are exact to the
    // documented algorithms, whose cost grows with shape parameters (a beta exponent of 1e9
    // runs a finite sum of 1e9 terms), which says nothing about loading.
    for (const auto& pObject : owned) {
        auto* pDist = static_cast<CDist*>(pObject.get());
        (void)pDist->GetVarTypeName();
        (void)pDist->GetDensity(0.5);
        pDist->SetAutoAxis();
        std::unique_ptr<CDist> copy(pDist->CreateCopy());
    }
    return 0;
}
