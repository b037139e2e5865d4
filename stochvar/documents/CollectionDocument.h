#pragma once

// CCollectionDocument: what a host opens and saves: a collection of variables with its
// correlations, an optional description, and the warnings raised while it was read.
//
// The document owns its variables. Each one is handed a reference slot of the document, so that
// an editor that replaces a variable by another object (change of family, cancelled edit)
// re-points the slot, and the variables in the collection are deleted when the document goes.

#include <stochvar/model/Dist.h>
#include <stochvar/numerics/ExOr.h>
#include <stochvar/simulation/DistCollection.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace stochvar {

class CCollectionDocument {
public:
    CCollectionDocument() = default;
    ~CCollectionDocument();
    CCollectionDocument(const CCollectionDocument&) = delete;
    CCollectionDocument& operator=(const CCollectionDocument&) = delete;

    // Appends the variable to the collection; the document owns it from then on.
    CDist* AddVariable(std::unique_ptr<CDist> pDist);
    // Deletes variable nIndex with the correlations that name it; the variables after it move up
    // one place, and the remaining correlations follow them. Nothing for an index outside the
    // collection.
    void RemoveVariable(int nIndex);

    CDistCollection& GetCollection() { return m_collection; }
    const CDistCollection& GetCollection() const { return m_collection; }
    int GetVariableCount() const { return m_collection.GetCount(); }
    CDist* GetVariable(int nIndex) const { return m_collection.GetDist(nIndex); }
    // Position of the first variable with exactly this name, or -1.
    int FindVariable(std::string_view strName) const;
    // Position of the variable object in the collection, or -1.
    int IndexOf(const CDist* pDist) const;

    int GetCorrelationCount() const { return m_collection.m_Corrs.GetCount(); }
    // Deletes correlation nIndex; the later ones move up one place. Nothing for an index outside
    // the list.
    void RemoveCorrelation(int nIndex);
    const SCorr& GetCorrelation(int nIndex) const { return *m_collection.m_Corrs[nIndex]; }
    // The positions of the two variables of correlation nIndex, in the order in which the
    // correlation was given (SCorr keeps that order only in its pointers). False when the entry
    // refers to no variable of the collection.
    bool GetCorrelationPair(int nIndex, int& nFirst, int& nSecond) const;
    // The same positions for a writer: a correlation that refers to no variable cannot be
    // written, so it refuses the document (CDocumentError).
    std::pair<int, int> GetCorrelationPairToWrite(int nIndex) const;

    // Copies of the correlation entries, for ReconcileCorrelations.
    std::vector<SCorr> CopyCorrelations() const;
    // After an editor rebuilt the correlation list with an entry for every pair of variables,
    // keeps what the document gives and nothing more: the pairs that had an entry before, in
    // their order and with their variables in the order they were named, then the new pairs
    // whose coefficient is not 0, in the editor's order. An entry that the editor left as it was
    // (the same space, and a coefficient that bSameValue(before, after) accepts, since an editor
    // may show numbers rounded) is restored exactly; a changed one takes the editor's values.
    void ReconcileCorrelations(const std::vector<SCorr>& before,
                               const std::function<bool(double, double)>& bSameValue);

    // Free text kept with the document.
    std::string m_strDescription;
    // The limit state g of the reliability analyses, as an expression over the variables' names
    // (CExpressionLimitState); empty when the document gives none. Kept as written: it is
    // checked when an analysis parses it, so a document whose variables were renamed still opens.
    std::string m_strLimitState;
    // What reading the document reported without refusing it ("file: subject: message").
    std::vector<std::string> m_warnings;
    // A generator that runs over the collection may borrow (it outlives the collection).
    CExOr m_generator;

private:
    CDistCollection m_collection;
    // One reference slot per variable; a deque keeps the slots' addresses fixed as it grows.
    std::deque<CDist*> m_references;
};

// The subject of messages about a variable: its name, or its position when it has none.
std::string VariableSubject(const CDist& dist, int nIndex);
// The subject of messages about a correlation between two variables.
std::string CorrelationSubject(const std::string& strName1, const std::string& strName2);

} // namespace stochvar
