#pragma once

// CPythonCollection: a collection document as Python sees it (stochvar.Collection): variables,
// the correlations between them, and correlated sampling. Built from variables (copied in) or
// loaded from a JSON or binary document through the shared document code, so that what Python
// reads, writes and samples is what the command-line host and the editor read, write and sample.
//
// Sampling runs on a copy of the collection made for the call, with the interpreter lock
// released: other threads may use the collection meanwhile, and a run's numbers depend only on
// the arguments of its call. The run looks for Ctrl+C between paced batches and between the
// chunks of the skip to a slice (CInterruptCheck).

#include <stochvar/documents/CollectionDocument.h>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace stochvar::python {

class CPythonCollection {
public:
    // numerics: "faithful", "accurate", or nothing to follow the process default.
    // limitState: the limit state g of the reliability analyses, an expression kept as written.
    CPythonCollection(const pybind11::iterable& variables, const std::string& strDescription,
                      const std::optional<std::string>& numerics,
                      const std::optional<std::string>& limitState);
    // strSource names the document in messages (its file name, when it was loaded).
    CPythonCollection(std::unique_ptr<CCollectionDocument> pDoc, std::string strSource);

    static std::unique_ptr<CPythonCollection> Load(const std::filesystem::path& path,
                                                   const std::optional<std::string>& numerics);
    void Save(const std::filesystem::path& path, const std::optional<std::string>& format) const;
    // The collection as a binary document with the numerics it runs with (which the binary form
    // does not keep), and back: how it travels to other processes, which then run with the same
    // numerics whatever their own default.
    pybind11::tuple ToDocument() const;
    static std::unique_ptr<CPythonCollection> FromDocument(const pybind11::tuple& state);

    int Count() const { return m_pDoc->GetVariableCount(); }
    pybind11::list GetNames() const;
    pybind11::list GetVariables() const;
    pybind11::object GetVariable(const pybind11::object& key) const;
    // A name of the collection's variables, or a variable equal to one of them.
    bool Contains(const pybind11::object& key) const;
    void Remove(const pybind11::object& key);
    std::string GetDescription() const { return m_pDoc->m_strDescription; }
    std::optional<std::string> GetLimitState() const;
    std::string GetNumerics() const { return NumericsName(m_pDoc->GetCollection().GetNumerics()); }
    // The collection's own choice of numerics; nothing when it follows the process default.
    std::optional<ENumerics> GetOwnNumerics() const;
    pybind11::list GetCorrelations() const;
    void Correlate(const pybind11::object& first, const pybind11::object& second, double dRho,
                   const std::string& strSpace);
    void Uncorrelate(const pybind11::object& first, const pybind11::object& second);
    std::string Repr() const;

    pybind11::array_t<double> Sample(const pybind11::object& n, bool bLatinHypercube,
                                     const pybind11::object& seed, const pybind11::object& first,
                                     const pybind11::object& count,
                                     const pybind11::object& threads) const;

    // The most worker threads a run starts: one per core. More only queue for the cores, and
    // each batch would start them all.
    static int MaxThreads();

private:
    // The position of the variable a key names: a name, a position (negative from the end) or a
    // variable of the collection (by its name).
    int IndexOf(const pybind11::object& key) const;
    // The position of the correlation entry between the two variables, in either order; -1.
    int FindCorrelation(int nFirst, int nSecond) const;

    std::unique_ptr<CCollectionDocument> m_pDoc;
    std::string m_strSource;
};

// The numerics a name gives; nothing for None. Raises ValueError for any other name.
std::optional<ENumerics> NumericsArgument(const std::optional<std::string>& name);

void BindCollection(pybind11::module_& m);

} // namespace stochvar::python
