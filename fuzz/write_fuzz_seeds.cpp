// Writes the seed corpus of one fuzz target into a folder:
//   write_fuzz_seeds TARGET FOLDER EXAMPLES_DIR
// load_variable_fuzzer: one framed archive per variable class and one mixed list. The document
// targets: the example documents and a document with every family and every optional part, as
// JSON (json_document_fuzzer, document_round_trip_fuzzer) or in binary form
// (binary_document_fuzzer). Any other target gets no seeds from here (scripts/run-fuzzers.sh also
// copies fuzz/seeds/TARGET when that folder exists).

#include <stochvar/documents/BinaryDocument.h>
#include <stochvar/documents/DocumentFile.h>
#include <stochvar/documents/JsonDocument.h>
#include <stochvar/stochvar.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace stochvar;

namespace {

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

void WriteArchive(const std::filesystem::path& path, const std::vector<CDist*>& variables) {
    std::ostringstream out(std::ios::binary);
    CArchive ar(out);
    for (CDist* pDist : variables) {
        ar.WriteObject(pDist);
    }
    ar.Close();
    WriteFile(path, out.str());
}

void WriteArchiveSeeds(const std::filesystem::path& folder) {
    CDist seed;
    std::vector<std::unique_ptr<CDist>> all;
    std::vector<CDist*> list;
    for (int nType = 0; nType < DIST_COUNT; ++nType) {
        all.emplace_back(seed.CreateNewDist(nType));
        if (auto* pDiscrete = dynamic_cast<CDiscrete*>(all.back().get())) {
            pDiscrete->AddCategory("a", 1.0, -1);
            pDiscrete->AddCategory("b", 3.0, -1);
        }
        WriteArchive(folder / ("type" + std::to_string(nType)), {all.back().get()});
        list.push_back(all.back().get());
    }
    list.push_back(nullptr);
    list.push_back(list.front());
    WriteArchive(folder / "mixed", list);
}

// Every family with its defaults, a manual axis, a variable that may not change family, a
// description, the accurate numerics and correlations given in both spaces.
std::unique_ptr<CCollectionDocument> EveryPart() {
    auto pDoc = std::make_unique<CCollectionDocument>();
    pDoc->m_strDescription = "every family\nand every optional part";
    pDoc->GetCollection().SetNumerics(ENumerics::Accurate);
    for (const SFamily& family : kFamilies) {
        std::unique_ptr<CDist> pDist(family.pfnCreate(nullptr, family.pszKeyword, nullptr));
        if (auto* pDiscrete = dynamic_cast<CDiscrete*>(pDist.get())) {
            pDiscrete->AddCategory("dry", 1.0, -1);
            pDiscrete->AddCategory("wet, cold", 3.0, -1);
        }
        pDist->SetAutoAxis();
        pDoc->AddVariable(std::move(pDist));
    }
    CDist* pFirst = pDoc->GetVariable(1);
    pFirst->m_bAutoAxis = FALSE;
    pFirst->m_dAxisMin = -1.0;
    pFirst->m_dAxisMax = 2.5;
    pDoc->GetVariable(2)->SetCanChange(FALSE);
    CDistCollection& collection = pDoc->GetCollection();
    collection.SetCorr(pDoc->GetVariable(5), pDoc->GetVariable(6), 0.3, TRUE);
    collection.SetCorr(pDoc->GetVariable(10), pDoc->GetVariable(4), -0.2, FALSE);
    return pDoc;
}

// The examples and EveryPart, in the given form.
void WriteDocumentSeeds(const std::filesystem::path& folder, const std::filesystem::path& examples,
                        EDocumentFormat format) {
    std::vector<std::pair<std::string, std::unique_ptr<CCollectionDocument>>> documents;
    for (const auto& entry : std::filesystem::directory_iterator(examples)) {
        if (entry.path().extension() == kJsonExtension) {
            documents.emplace_back(entry.path().stem().string(),
                                   LoadDocument(entry.path().string()));
        }
    }
    documents.emplace_back("every-part", EveryPart());
    for (const auto& [strName, pDoc] : documents) {
        WriteFile(folder / strName, WriteDocument(*pDoc, format));
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        return 2;
    }
    const std::string strTarget = argv[1];
    const std::filesystem::path folder = argv[2];
    const std::filesystem::path examples = argv[3];
    if (strTarget == "load_variable_fuzzer") {
        WriteArchiveSeeds(folder);
    } else if (strTarget == "json_document_fuzzer" || strTarget == "document_round_trip_fuzzer") {
        WriteDocumentSeeds(folder, examples, EDocumentFormat::json);
    } else if (strTarget == "binary_document_fuzzer") {
        WriteDocumentSeeds(folder, examples, EDocumentFormat::binary);
    }
    return 0;
}
