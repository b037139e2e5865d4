#pragma once

// CDist: a stochastic variable. Base class of every distribution family and, by itself, the
// fixed (deterministic) kind, whose value is the MEAN slot.
//
// A variable holds sixteen parameter slots indexed by parameter id (Keywords.h), the active input
// type (a numbered set of parameters from which CalcBasePar derives the family's base
// parameters), the editing cursor within that input type, chart axis settings, its name, and the
// three category containers that the discrete family fills. Checks and conversions return a
// CDistStatus; nothing here throws or shows a message by itself.
//
// The data members are public, as the editor and the hosts read and write them directly
// (input type, cursor, axis settings).

#include <stochvar/framework/Array.h>
#include <stochvar/framework/Object.h>
#include <stochvar/framework/String.h>
#include <stochvar/model/DistStatus.h>
#include <stochvar/model/Keywords.h>
#include <stochvar/numerics/ExOr.h>

#include <functional>
#include <initializer_list>
#include <vector>

namespace stochvar {

// The mean and standard deviation that a variable stands for.
struct SMoments {
    double dMean;
    double dStdDev;
};

class CDist : public CObject {
    STOCHVAR_DECLARE_SERIAL(CDist)

public:
    // For the framework: an empty fixed variable to be filled by Serialize.
    CDist();
    // Without a source: a fresh fixed variable with the given reference slot and name (MEAN 0).
    // With a source: a copy of the source's contents (CopyContents); slot and name are ignored.
    CDist(CDist** ppReference, CString strName, CDist* pSource);
    ~CDist() override;

    CDist(const CDist&) = delete;
    CDist& operator=(const CDist&) = delete;

    // Parameters and names.
    void SetParamValue(int nParam, double dValue) { m_Params[nParam] = dValue; }
    double GetParamValue(int nParam) const { return m_Params[nParam]; }
    int GetParamCombiCount() const { return m_nParamCombiCount; }
    // Empties ids, appends the parameter ids the input type asks for, in entry order, and sets
    // the label to "/" + keyword for each id. An unknown input type gives an empty list and label.
    virtual void GetParamsList(int nParamCombi, CString& strLabel, CUIntArray* pIds);
    CString GetVarName() const { return m_strVarName; }
    void SetVarName(CString strName) { m_strVarName = std::move(strName); }
    // The keyword of the type id; empty for an id outside the table (a loaded archive may
    // carry any value).
    CString GetVarTypeName() const;
    BOOL CanChange() const { return m_bCanChange; }
    void SetCanChange(BOOL bCanChange) { m_bCanChange = bCanChange; }

    // The host's reference slot: the editor re-points it when it replaces this variable.
    void SetReferenceVariable(CDist** ppReference) { m_ppReference = ppReference; }
    // Writes this variable's address into the reference slot (nothing when there is none).
    void UpdateReferenceVariable() {
        if (m_ppReference != nullptr) {
            *m_ppReference = this;
        }
    }

    // Checks and conversion.
    virtual CDistStatus CheckParamValue(int nParam, double dValue);
    virtual CDistStatus CheckCombination(int nParamCombi);
    virtual CDistStatus CalcBasePar(int nParamCombi);
    CDistStatus CalcBasePar() { return CalcBasePar(m_nParamCombi); }

    // The editing protocol of an input type, one value at a time, as every editor and reader
    // enters values. The parameter under the cursor: the id at position m_nCurParam of the
    // active input type's list, or -1 when the cursor lies outside the list.
    int GetParamUnderCursor();
    // Enters dValue for the parameter under the cursor (nothing when there is none).
    // CheckParamValue decides; a value it takes is stored in its slot and the cursor moves on.
    // After the last parameter of the input type the cursor is back at 0 and CheckCombination,
    // then CalcBasePar, run on the whole set; the values entered stay stored even if the set
    // fails. Each status goes to onStatus as it comes, and the protocol stops at the first one
    // that is not ok (a warning alone passes).
    void EnterParamValue(double dValue, const std::function<void(CDistStatus)>& onStatus);

    // Evaluation; never fails.
    virtual double GetDensity(double x);
    virtual double GetCumulative(double x);
    virtual double GetInverse(double p);
    // The tails: P(X > x), its inverse, and the logarithms of the density and of both tails.
    // Under faithful numerics (Numerics.h) they are what the faithful functions give:
    // 1 - GetCumulative(x), GetInverse(1 - q), ln GetDensity(x), ln GetCumulative(x) and
    // ln(1 - GetCumulative(x)). Under accurate numerics each family computes them in the tails
    // without cancellation (GetAccurateSurvival and the others below), and GetCumulative and
    // GetInverse keep their relative accuracy in the tails too. Never fail.
    double GetSurvival(double x);
    double GetInverseSurvival(double q);
    double GetLogDensity(double x);
    double GetLogCumulative(double x);
    double GetLogSurvival(double x);
    // Brings up to date what the variable keeps between calls of GetInverse (constants of its
    // parameters). GetInverse does so itself when a parameter slot has changed, so callers on
    // one thread need nothing else. GetInverse may run on several threads at once after this
    // call, made on one thread, as long as no slot changes meanwhile.
    virtual void PrepareInverse();
    // One value by inversion of a uniform number from pExOr, or from m_ExOr when null. Without
    // pExOr it draws from the shared m_ExOr and belongs to one thread at a time.
    virtual double GetRandom(CExOr* pExOr = nullptr);
    // Recomputes the chart axis bounds from the parameters.
    virtual void SetAutoAxis();

    // Whether the MEAN and STDDEV slots hold the variable's mean and standard deviation. They do
    // in the continuous families, whose conversions fill both (unless the slots were never
    // filled, or filled with nonsense); the fixed kind has no spread, and the discrete family
    // overrides this: its moments follow from its probabilities.
    virtual bool KeepsMomentsInSlots() const;
    // The mean and standard deviation the variable stands for: those of the slots when it keeps
    // them there, otherwise (the fixed kind) MEAN without spread.
    virtual SMoments GetMoments() const;
    // The mean and standard deviation of the distribution that the base parameters describe
    // (the one that density, cumulative function and inverse evaluate), from them alone. They
    // equal the slot moments up to rounding after a conversion that worked; the fixed kind, the
    // normal and the discrete family have no other representation and return GetMoments().
    virtual SMoments GetMomentsOfBasePar() const;
    // Appends why the sampler cannot draw from the variable as it stands, one reason per entry
    // ("the mean is not a number"): states that the checks and conversions let through but
    // that no sample can come from. Appends nothing when it can be sampled. These rules read
    // the slots of a variable that keeps its moments there (the fixed kind has none to check),
    // each only when the ones before it found nothing, as their findings follow from the
    // earlier ones: a mean or standard deviation that is not a number, or a negative standard
    // deviation; a standard deviation of 0; a slot of the family (COV aside, which a mean of 0
    // makes infinite) that is not finite; slot moments that differ from those of the base
    // parameters (GetMomentsOfBasePar) beyond rounding (kMomentsTolerance). The last two are
    // conversions that overflowed, underflowed or lost their precision.
    virtual void ListSamplingObstacles(CStringArray& reasons) const;
    // How far the slot moments may lie from those of the base parameters, relative to the
    // standard deviation: above what every conversion leaves (the Weibull shape search, which
    // stops within 1e-6 of its target COV and then takes one more Newton step, comes nearest),
    // and far below any difference that matters. The mean may also differ by the rounding of
    // its own magnitude, kMeanRounding times |MEAN|, which is more where the spread is tiny
    // beside the mean.
    static constexpr double kMomentsTolerance = 1e-6;
    static constexpr double kMeanRounding = 1024.0 * 2.220446049250313e-16;

    // A new variable of the same class with this one's contents and reference slot.
    virtual CDist* CreateCopy();

    // Stores or loads the variable's archive body: name, type id, input-type count, may-change
    // flag, input type, cursor, axis bounds, automatic-axis flag, the 16 parameter slots and
    // the three category containers. Loading takes the values as stored (no check, no
    // conversion); a truncated or malformed archive raises CArchiveException and leaves a
    // partly loaded variable.
    void Serialize(CArchive& ar) override;

    // Lets the user edit this variable (selection dialog, through the host hooks) and returns
    // the variable to use from then on. When the editor produced another object, that object
    // takes over the reference slot and this variable is deleted: callers must continue with the
    // returned pointer. Without an editor the variable comes back unchanged.
    virtual CDist* ChangeDistribution();

    // The type keyword table, in type-id order; belongs to this variable.
    CStringArray* GetPossibleDistributions() { return &m_DistNames; }
    // A new variable of type nType built from this one (name, slot, flags, axis, parameters and
    // categories carried over); null for a type id outside the list. Owned by the caller.
    // Defined with the list of families (families/FamilyList.cpp), since it names each of them.
    CDist* CreateNewDist(int nType);

    // The shared default generator, used by GetRandom when no generator is given. Unprotected:
    // one thread at a time.
    static CExOr m_ExOr;

    // Data members, in the documented order.
    int m_nType = DIST_FIXED;
    CDoubleArray m_Params;
    int m_nCurParam = 0;
    int m_nParamCombi = 0;
    BOOL m_bCanChange = TRUE;
    CDoubleArray m_Probabilities;
    CDoubleArray m_Frequencies;
    CStringArray m_CategoryNames;
    BOOL m_bAutoAxis = TRUE;
    double m_dAxisMin = 0.0;
    double m_dAxisMax = 1.0;
    CDist** m_ppReference = nullptr;
    CString m_strVarName;
    CStringArray m_ParamNames;
    CStringArray m_DistNames;
    int m_nParamCombiCount = 1;

protected:
    // The tails under accurate numerics (see GetSurvival). The defaults: 1 - GetCumulative(x),
    // GetInverse(1 - q) and ln GetDensity(x); the logarithm of either tail from that tail itself
    // where it is at most 1/2, else by log1p of the other, so both stay exact where the
    // family's tails are. The families override them with their own forms.
    virtual double GetAccurateSurvival(double x);
    virtual double GetAccurateInverseSurvival(double q);
    virtual double GetAccurateLogDensity(double x);
    virtual double GetAccurateLogCumulative(double x);
    virtual double GetAccurateLogSurvival(double x);

    // Copies reference slot, name, may-change flag, input type and cursor (only between
    // variables of the same type, otherwise both become 0), axis settings, the 16 parameters
    // and the three category containers. Leaves type, input-type count and keyword tables.
    virtual void CopyContents(CDist* pSource);

    // A parameter slot and the value a new variable of a family starts with.
    struct SParamDefault {
        int nParam;
        double dValue;
    };
    // The start of a family constructor's body, after this class's constructor made the variable
    // the fixed kind: the family's input-type count and type id; then a new variable starts at
    // input type 0 and a copy takes the source's contents again, now that the type is known (so
    // input type and cursor survive only from a source of the same type).
    void InitFamily(int nParamCombiCount, int nType, CDist* pSource);
    // As above; a new variable then takes the defaults, derives the other slots with
    // CalcBasePar(0) and uses the automatic axis.
    void InitFamily(int nParamCombiCount, int nType, CDist* pSource,
                    std::initializer_list<SParamDefault> defaults);

    // The input types of a family: for each input type number, the parameter ids it asks for.
    using InputTypeTable = std::vector<std::vector<UINT>>;
    // GetParamsList for a family whose input types are given by the table (the label rule).
    void ListParams(const InputTypeTable& inputTypes, int nParamCombi, CString& strLabel,
                    CUIntArray* pIds) const;

private:
    void FillKeywordTables();
    // The parameter ids of input type nParamCombi, and its label when pLabel is given
    // (GetParamsList, which changes nothing).
    CUIntArray GetInputTypeIds(int nParamCombi, CString* pLabel = nullptr) const;
    // The slots that the family's input types name, with MEAN and STDDEV.
    std::vector<int> ListUsedSlots() const;
    // The rules of ListSamplingObstacles after the first.
    CString DescribeZeroSpread() const;
    void ListSlotsNotFinite(CStringArray& reasons) const;
    void ListMomentsOffBasePar(CStringArray& reasons) const;
    // What to do about a conversion that lost its precision.
    CString AdviseOnLostPrecision() const;
};

} // namespace stochvar
