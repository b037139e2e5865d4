#include "PythonFitting.h"

#include "PythonVariable.h"

#include <stochvar/families/FamilyList.h>
#include <stochvar/fitting/DiscreteFit.h>
#include <stochvar/fitting/FamilyFitter.h>
#include <stochvar/fitting/FitError.h>

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cctype>
#include <optional>

namespace py = pybind11;
using namespace py::literals;

namespace stochvar::python {

namespace {

int FamilyType(std::string strName) {
    std::transform(strName.begin(), strName.end(), strName.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    for (const int nType : CFamilyFitter::ContinuousFamilies()) {
        const SFamily& family = *FindFamily(nType);
        std::string strClass = family.pszPythonClass;
        std::transform(strClass.begin(), strClass.end(), strClass.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        if (strName == family.pszKeyword || strName == strClass) {
            return nType;
        }
    }
    throw py::value_error("\"" + strName + "\" is not a continuous family");
}

EFitCriterion Criterion(const std::string& strCriterion) {
    if (strCriterion == "bic") {
        return EFitCriterion::Bic;
    }
    if (strCriterion == "aic") {
        return EFitCriterion::Aic;
    }
    if (strCriterion == "ks") {
        return EFitCriterion::Ks;
    }
    throw py::value_error("criterion must be 'bic', 'aic' or 'ks', not '" + strCriterion + "'");
}

py::dict Record(const SFamilyFit& fit) {
    py::dict record("family"_a = FindFamily(fit.nType)->pszPythonClass, "keyword"_a = fit.strFamily,
                    "fitted"_a = fit.IsFitted(), "refusal"_a = fit.strRefusal);
    if (!fit.IsFitted()) {
        return record;
    }
    CString strLabel;
    CUIntArray ids;
    fit.pDist->GetParamsList(fit.estimate.nParamCombi, strLabel, &ids);
    py::dict values;
    for (int i = 0; i < ids.GetSize(); ++i) {
        values[kParamKeywords[ids[i]]] = fit.estimate.values[static_cast<std::size_t>(i)];
    }
    record["method"] = fit.estimate.method == EFitMethod::Moments ? "moments" : "likelihood";
    record["note"] = fit.estimate.strNote;
    record["input_type"] = strLabel.str();
    record["values"] = values;
    record["k"] = fit.estimate.nFreeParams;
    record["loglik"] = fit.dLogLikelihood;
    record["aic"] = fit.dAic;
    record["bic"] = fit.dBic;
    record["ks"] = fit.dKs;
    record["ad"] = fit.dAd;
    record["ks_pvalue"] = fit.dKsPValue;
    record["ad_pvalue"] = fit.dAdPValue;
    record["bootstrap"] = fit.nBootstrap;
    record["warnings"] = fit.warnings;
    std::unique_ptr<CDist> pCopy(fit.pDist->CreateCopy());
    pCopy->SetReferenceVariable(nullptr);
    record["variable"] = py::cast(WrapVariable(std::move(pCopy)));
    return record;
}

py::list Fit(const py::array_t<double, py::array::c_style | py::array::forcecast>& data,
             const std::optional<std::vector<std::string>>& families,
             const std::string& strCriterion, const std::string& strMethod, int nBootstrap,
             std::optional<double> lowerBound, std::optional<double> upperBound,
             const std::string& strName) {
    if (data.ndim() != 1) {
        throw py::value_error("data must be one-dimensional");
    }
    SFitOptions options;
    if (families) {
        for (const std::string& strFamily : *families) {
            options.families.push_back(FamilyType(strFamily));
        }
    }
    options.criterion = Criterion(strCriterion);
    if (strMethod != "likelihood" && strMethod != "moments") {
        throw py::value_error("method must be 'likelihood' or 'moments'");
    }
    options.method = strMethod == "moments" ? EFitMethod::Moments : EFitMethod::Likelihood;
    if (nBootstrap < 0) {
        throw py::value_error("bootstrap must be 0 or more");
    }
    options.nBootstrap = nBootstrap;
    options.bounds.lower = lowerBound;
    options.bounds.upper = upperBound;
    options.strName = strName;
    std::vector<double> values(data.data(), data.data() + data.size());
    SFitReport report;
    {
        py::gil_scoped_release release;
        report = CFamilyFitter(options).Fit(std::move(values));
    }
    py::list records;
    for (const SFamilyFit& fit : report.ranking) {
        records.append(Record(fit));
    }
    return records;
}

} // namespace

void BindFitting(py::module_& m) {
    py::module_ fitting = m.def_submodule("_fitting", "Fitting families to data (compiled part).");
    py::register_exception<CFitError>(fitting, "FitError", PyExc_ValueError);
    fitting.def("fit", &Fit, "data"_a, "families"_a = py::none(), "criterion"_a = "bic",
                "method"_a = "likelihood", "bootstrap"_a = 0, "lower_bound"_a = py::none(),
                "upper_bound"_a = py::none(), "name"_a = "",
                "Every family fitted to the 1-D sample, ranked: one dict per family.");
    fitting.def(
        "fit_labels",
        [](const std::vector<std::string>& labels, const std::string& strName) {
            return py::cast(WrapVariable(CDiscreteFit::FromLabels(labels, strName)));
        },
        "labels"_a, "name"_a = "", "A discrete variable with the observed label counts.");
}

} // namespace stochvar::python
