#pragma once

// CDiscrete: the discrete (categorical) family, type "DISCRETE".
//
// A discrete variable is a list of named categories, each with a frequency (a non-negative
// weight as entered) and a probability (the frequency divided by the sum of all frequencies, or
// 1/n for every category when that sum is below 1e-10). Its values are the category positions
// 0, 1, ..., n-1. The categories live in the three parallel containers of CDist
// (m_CategoryNames, m_Frequencies, m_Probabilities), so copying, storing and a change of type
// carry them like every other member. The family has no input types and uses no parameter slots.
//
// The cumulative function spreads category k evenly over [k - 0.5, k + 0.5], so it is piecewise
// linear from 0 at -0.5 to 1 at n - 0.5; the inverse (and so sampling) is the step inverse of the
// category probabilities and returns positions.
//
// Positions outside 0 to n-1 are the caller's mistake. They are made harmless rather than
// reported: DeleteCategory, SwitchIndex and SetCategoryFrequency change nothing,
// SetCategoryFrequency returns 0.0, GetCategory yields an empty name and two zeros, and
// AddCategory treats any negative position as -1 (append). The evaluation functions also stay
// inside the containers when a loaded archive left them of different lengths.

#include <stochvar/model/Dist.h>

namespace stochvar {

class CDiscrete : public CDist {
    STOCHVAR_DECLARE_SERIAL(CDiscrete)

public:
    CDiscrete() = default;
    // Without a source: no categories, input type 0, automatic axis on; nothing to convert.
    // With a source: the source's contents, categories included.
    CDiscrete(CDist** ppReference, CString strName, CDist* pSource);

    // Adds a category at nPosition (-1 appends; 0 or more inserts there, padding with empty
    // categories of frequency 0 when the position lies beyond the end), then normalises.
    // A negative or NaN frequency is refused with a message box and changes nothing.
    void AddCategory(CString strName, double dFrequency, int nPosition = -1);
    // Recomputes the probabilities from the frequencies.
    void Normalise();
    // Removes the category at nPosition, then normalises.
    void DeleteCategory(int nPosition);
    // Removes the first category named strName; an unknown name changes nothing.
    void DeleteCategory(const CString& strName);
    // Position of the first category named exactly strName, or -1.
    int GetCategoryIndex(const CString& strName) const;
    // Exchanges two categories (name, frequency and probability together).
    void SwitchIndex(int nPositionA, int nPositionB);
    void GetCategory(int nPosition, CString& strName, double& dFrequency,
                     double& dProbability) const;
    int GetCategoryCount() const { return m_Frequencies.GetSize(); }
    // Stores the frequency unchecked (a negative one gives negative probabilities), normalises
    // and returns the category's new probability.
    double SetCategoryFrequency(int nPosition, double dFrequency);

    // Whether the editor may add, delete or reorder categories; neither copied nor stored.
    BOOL CanChangeCategories() const { return m_bCanChangeCategories; }
    void SetCanChangeCategories(BOOL bCanChange) { m_bCanChangeCategories = bCanChange; }

    // No input types: always an empty list and label; checks and conversion are always clean.
    void GetParamsList(int nParamCombi, CString& strLabel, CUIntArray* pIds) override;
    CDistStatus CheckCombination(int nParamCombi) override;
    CDistStatus CalcBasePar(int nParamCombi) override;
    using CDist::CalcBasePar;

    // Probability of the category whose unit interval holds x.
    double GetDensity(double x) override;
    double GetCumulative(double x) override;
    // Smallest position whose running probability sum reaches p.
    double GetInverse(double p) override;
    // The axis is [0, 1] whatever the categories.
    void SetAutoAxis() override;
    // The moments are those of the category positions 0 .. n-1 with their probabilities; the
    // MEAN and STDDEV slots do not hold them.
    bool KeepsMomentsInSlots() const override;
    SMoments GetMoments() const override;
    // No categories, or frequencies that add up to (almost) 0, so that the probabilities would
    // not be the frequencies' shares.
    void ListSamplingObstacles(CStringArray& reasons) const override;
    CDist* CreateCopy() override;

    // Edits the categories in place through the discrete dialog (host hook); a dialog that does
    // not end with OK leaves the variable as it was. Never replaces the object: returns this.
    CDist* ChangeDistribution() override;

    BOOL m_bCanChangeCategories = TRUE;

protected:
    // The probabilities summed from the top, so that a small upper tail keeps its digits.
    double GetAccurateSurvival(double x) override;

private:
    bool IsCategory(int nPosition) const;
    // Probability at position k, 0.0 beyond the stored probabilities.
    double ProbabilityAt(int k) const;
};

} // namespace stochvar
