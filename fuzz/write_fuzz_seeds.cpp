// Writes one framed archive per variable class (and one mixed list) into a folder, as the seed
// corpus of the loading fuzzer.

#include <stochvar/stochvar.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace stochvar;

namespace {

void WriteSeed(const std::string& path, const std::vector<CDist*>& variables) {
    std::ofstream out(path, std::ios::binary);
    CArchive ar(out);
    for (CDist* pDist : variables) {
        ar.WriteObject(pDist);
    }
    ar.Close();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    const std::string folder = argv[1];
    CDist seed;
    std::vector<std::unique_ptr<CDist>> all;
    std::vector<CDist*> list;
    for (int nType = 0; nType < DIST_COUNT; ++nType) {
        all.emplace_back(seed.CreateNewDist(nType));
        if (auto* pDiscrete = dynamic_cast<CDiscrete*>(all.back().get())) {
            pDiscrete->AddCategory("a", 1.0, -1);
            pDiscrete->AddCategory("b", 3.0, -1);
        }
        WriteSeed(folder + "/type" + std::to_string(nType), {all.back().get()});
        list.push_back(all.back().get());
    }
    list.push_back(nullptr);
    list.push_back(list.front());
    WriteSeed(folder + "/mixed", list);
    return 0;
}
