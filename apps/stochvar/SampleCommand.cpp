#include "SampleCommand.h"

#include "CsvWriter.h"
#include "NpyWriter.h"
#include "ProgressBar.h"
#include "SampleRequest.h"
#include "SampleSummary.h"

#include <stochvar/documents/AtomicFile.h>
#include <stochvar/documents/DocumentError.h>
#include <stochvar/documents/SampleRun.h>
#include <stochvar/documents/SampleStatistics.h>
#include <stochvar/families/FamilyList.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace stochvar::cli {

namespace {

constexpr const char* kSampleUsage =
    "Usage: stochvar sample [FILE] -n N [--lhs] [--seed SEED] [--out FILE]\n"
    "                       [--format csv|npy] [--categories positions|names] [--numbered]\n"
    "                       [--first F] [--count C] [--threads K]\n"
    "                       [--numerics faithful|accurate]\n"
    "\n"
    "Draws N joint samples of the collection's variables, correlated as the document says, and\n"
    "prints for each variable the target mean and standard deviation beside the sample ones,\n"
    "and the sample correlations beside the target (X-space): the whole matrix up to 12\n"
    "variables, the pairs the document gives beyond that. A discrete variable's values are its\n"
    "category positions 0, 1, ... Without FILE the built-in example is sampled; FILE - reads\n"
    "standard input. A document with a variable that cannot be sampled, or with correlations\n"
    "that do not form a positive definite matrix (see 'stochvar show'), is refused.\n"
    "\n"
    "Options:\n"
    "  -n, --samples N      number of samples (required): 1000, 100000 or 1e5\n"
    "      --lhs            Latin hypercube sampling\n"
    "      --seed SEED      the generator's seeds (default 699570728,398267609,1044576128):\n"
    "                         N       one whole number from 0 to 2^64-1 (recommended); the\n"
    "                                 three seeds are the high 32 bits of the first three\n"
    "                                 outputs of SplitMix64 started at N\n"
    "                         A,B,C   the three seeds themselves, each from 0 to 4294967295\n"
    "                                 (to replay a run from the seeds its summary printed)\n"
    "                         random  a number drawn from the system's entropy; the summary\n"
    "                                 prints it\n"
    "                       One number is the safe choice: the generator starts from its three\n"
    "                       seeds as they are, so nearby triples such as 1,2,4 and 2,3,4 give\n"
    "                       nearly the same numbers for dozens of draws, while SplitMix64 turns\n"
    "                       nearby numbers into unrelated triples.\n"
    "  -o, --out FILE       write the samples to FILE, '-' or /dev/stdout for standard output\n"
    "                       (the summary then goes to standard error). FILE appears complete\n"
    "                       or not at all: it is written beside the target and renamed over it\n"
    "                       at the end, keeping the old file's permissions; an error or an\n"
    "                       interrupt leaves an old FILE as it was. A file with other hard\n"
    "                       links is written in place; the document itself, and a file you\n"
    "                       may not write (for root: one without write permission), are\n"
    "                       refused (see docs/documents.md)\n"
    "      --format FORMAT  csv: a header of variable names, one line per sample;\n"
    "                       npy: a NumPy array of float64, N rows in C order (numpy.load).\n"
    "                       Without it, FILE's ending: .npy is npy, anything else csv\n"
    "      --categories HOW positions (default) or names: write a discrete variable's values\n"
    "                       as its category names (CSV only)\n"
    "      --numbered       CSV only: a first column \"sample\" with each sample's number in the\n"
    "                       run, 1 to N\n"
    "      --first F        draw only a slice of the run: its samples F+1 to F+C (F from 0);\n"
    "      --count C        C defaults to the rest of the run. The slice's numbers are those\n"
    "                       of the whole run of N samples, so slices drawn anywhere and joined\n"
    "                       (CSV: without their later header lines) equal the whole run byte\n"
    "                       for byte. Earlier samples are skipped, not drawn: a jump of the\n"
    "                       generator, or with --lhs a replay of the strata alone\n"
    "      --threads K      worker threads (default: one per core); the numbers are the same\n"
    "                       for every K\n" STOCHVAR_NUMERICS_HELP
    "  -h, --help           show this help\n";

constexpr SOptionDefinition kSampleOptions[] = {
    {"samples", 'n', true}, {"lhs", 0, false},       {"seed", 0, true},      {"out", 'o', true},
    {"format", 0, true},    {"categories", 0, true}, {"numbered", 0, false}, {"first", 0, true},
    {"count", 0, true},     {"threads", 0, true},    kNumericsOption,
};

// The value of an option that takes one of two words.
bool ChooseSecond(const CParsedArguments& parsed, std::string_view name, const char* pszFirst,
                  const char* pszSecond) {
    const std::string* pValue = parsed.Value(name);
    if (pValue == nullptr || *pValue == pszFirst) {
        return false;
    }
    if (*pValue == pszSecond) {
        return true;
    }
    throw CUsageError(parsed.Spelling(name) + " takes " + pszFirst + " or " + pszSecond +
                      ", not \"" + *pValue + "\"");
}

// --first and --count: a slice of the run of N samples.
void ReadSlice(const CParsedArguments& parsed, SSampleRunRequest& run) {
    const int N = run.nSamples;
    if (const std::string* pFirst = parsed.Value("first")) {
        run.nFirst = ParseCount(*pFirst, parsed.Spelling("first"), 0, N - 1);
    }
    if (const std::string* pCount = parsed.Value("count")) {
        run.count = ParsePositiveCount(*pCount, parsed.Spelling("count"), N - run.nFirst);
    }
}

// The format --format names, else the one the output's name ends in (.npy or .csv, in any case),
// else CSV. A name that says the other format is a mistake, not a choice.
ESampleFormat OutputFormat(const CParsedArguments& parsed, const std::string& strOut) {
    std::string strSuffix = std::filesystem::path(strOut).extension().string();
    std::transform(strSuffix.begin(), strSuffix.end(), strSuffix.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    const bool bNamed = strSuffix == ".npy" || strSuffix == ".csv";
    const ESampleFormat named = strSuffix == ".npy" ? ESampleFormat::npy : ESampleFormat::csv;
    if (!parsed.Has("format")) {
        return named;
    }
    const ESampleFormat format =
        ChooseSecond(parsed, "format", "csv", "npy") ? ESampleFormat::npy : ESampleFormat::csv;
    if (bNamed && named != format) {
        throw CUsageError(parsed.Spelling("format") + " " + *parsed.Value("format") + " for " +
                          strOut + ": a name ending in " + strSuffix +
                          " says the other format; rename the file or drop the option");
    }
    return format;
}

SSampleRequest ReadRequest(const CParsedArguments& parsed) {
    SSampleRequest request;
    const std::string* pSamples = parsed.Value("samples");
    if (pSamples == nullptr) {
        throw CUsageError("the number of samples is missing (-n N)");
    }
    request.run.nSamples = ParsePositiveCount(*pSamples, parsed.Spelling("samples"), INT_MAX);
    ReadSlice(parsed, request.run);
    if (const std::string* pThreads = parsed.Value("threads")) {
        request.run.threads =
            ParsePositiveCount(*pThreads, parsed.Spelling("threads"), CBatchSampler::kMaxThreads);
    }
    request.run.bLatinHypercube = parsed.Has("lhs");
    if (const std::string* pSeed = parsed.Value("seed")) {
        request.seed = ParseSeedChoice(*pSeed, parsed.Spelling("seed"));
    }
    request.run.seeds = request.seed.seeds;
    if (const std::string* pOut = parsed.Value("out")) {
        if (pOut->empty()) {
            throw CUsageError(parsed.Spelling("out") + " needs a file name");
        }
        request.strOut = *pOut;
    }
    request.format = OutputFormat(parsed, request.strOut);
    request.bCategoryNames = ChooseSecond(parsed, "categories", "positions", "names");
    request.bNumbered = parsed.Has("numbered");
    if (request.bNumbered && request.format == ESampleFormat::npy) {
        throw CUsageError("--numbered needs --format csv: an npy array holds the samples only");
    }
    if (parsed.Has("format") && request.strOut.empty()) {
        throw CUsageError(parsed.Spelling("format") + " needs --out FILE (or --out - )");
    }
    if (request.bCategoryNames && request.format == ESampleFormat::npy) {
        throw CUsageError("--categories names needs --format csv: an npy array holds numbers");
    }
    if (request.format == ESampleFormat::npy && request.strOut == "-" && isatty(STDOUT_FILENO)) {
        throw CUsageError("--format npy writes binary data: redirect standard output or name "
                          "a file");
    }
    return request;
}

std::unique_ptr<CSampleWriter> MakeWriter(const SSampleRequest& request,
                                          const CCollectionDocument& doc, std::FILE* pFile) {
    const int n = doc.GetVariableCount();
    if (request.format == ESampleFormat::npy) {
        return std::make_unique<CNpyWriter>(pFile, request.run.Count(), n);
    }
    std::vector<SCsvColumn> columns;
    for (int i = 0; i < n; ++i) {
        const CDist& dist = *doc.GetVariable(i);
        SCsvColumn& column = columns.emplace_back();
        column.strName = VariableSubject(dist, i); // "variable 3" for one without a name
        if (request.bCategoryNames && dist.m_nType == DIST_DISCRETE) {
            for (const CString& strCategory : dist.m_CategoryNames) {
                column.categories.push_back(strCategory.str());
            }
        }
    }
    const int nFirstNumber = request.bNumbered ? request.run.nFirst + 1 : 0;
    return std::make_unique<CCsvWriter>(pFile, std::move(columns), nFirstNumber);
}

int RunSample(const CParsedArguments& parsed) {
    const SSampleRequest request = ReadRequest(parsed);
    if (!request.strOut.empty()) {
        RefuseOutputOverInput(parsed.Positionals(), request.strOut, parsed.Spelling("out"));
    }
    const std::unique_ptr<CCollectionDocument> pDoc =
        OpenCollection(parsed.Positionals(), NumericsChoice(parsed));
    CCollectionDocument& doc = *pDoc;
    CSampleRun run(doc, request.run, CollectionName(parsed.Positionals()));
    {
        // A bar for each long part of the preparation, as it comes.
        std::unique_ptr<CProgressBar> pPreparing;
        CDistCollection::ERunStage stage{};
        run.SetProgressReport(
            [&](CDistCollection::ERunStage now, long long nDone, long long nTotal) {
                if (!pPreparing || now != stage) {
                    stage = now;
                    pPreparing = std::make_unique<CProgressBar>(
                        nTotal, CProgressBar::IsStderrTerminal(),
                        now == CDistCollection::ERunStage::Factoring ? "factoring" : "skipping");
                }
                pPreparing->Update(nDone);
            });
        run.Prepare(); // before the output is opened: a run that cannot start touches no file
        run.SetProgressReport({});
    }
    WarnAboutReadiness(doc, CollectionName(parsed.Positionals()), EDocumentUse::sample);

    std::unique_ptr<CAtomicFile> pOut;
    std::unique_ptr<CSampleWriter> pWriter;
    if (!request.strOut.empty()) {
        pOut = std::make_unique<CAtomicFile>(request.strOut);
        pWriter = MakeWriter(request, doc, pOut->Get());
    }
    CSampleStatistics stats(run.GetVariableCount());
    CProgressBar progress(run.GetCount(), CProgressBar::IsStderrTerminal());
    run.Draw([&](const SSampleBatch& batch) {
        for (int r = 0; r < batch.nRows; ++r) {
            stats.Add(batch.Row(r));
        }
        if (pWriter) {
            pWriter->WriteRows(batch.pRows, batch.nRows);
        }
        progress.Update(batch.DrawnAfter());
        return !pWriter || pWriter->GetError() == 0;
    });
    progress.Finish();

    if (pWriter && (pWriter->GetError() != 0 || !pWriter->Finish())) {
        // Leaving discards what was written; an old file stays as it was.
        throw CDocumentError(
            (pOut->IsStandardOutput() ? std::string("standard output") : request.strOut) +
            ": cannot write: " +
            std::strerror(pWriter->GetError() != 0 ? pWriter->GetError() : EIO));
    }
    const bool bSummaryToStderr = pOut && pOut->IsStandardOutput();
    if (pOut) {
        pOut->Commit();
    }
    const std::string strSummary = SampleSummary(doc, stats, request);
    if (bSummaryToStderr) {
        std::fputs(strSummary.c_str(), stderr);
    } else {
        WriteStandardOutput(strSummary);
    }
    return kExitSuccess;
}

} // namespace

const SCommand kSampleCommand{"sample", kSampleOptions, &RunSample, kSampleUsage};

} // namespace stochvar::cli
