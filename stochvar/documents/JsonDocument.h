#pragma once

// Collection documents as JSON: readable, diffable, the format of the examples.
//
//   {"description": "optional free text",
//    "limitState": "R - S",
//    "numerics": "accurate",
//    "variables": [
//      {"name": "R", "type": "LOGNORMAL", "input": "/MEAN/STDDEV/LOWER_BOUND",
//       "values": {"MEAN": 3.2, "STDDEV": 0.75, "LOWER_BOUND": 0.1}},
//      {"name": "Load class", "type": "DISCRETE",
//       "categories": [{"name": "light", "frequency": 1}, {"name": "heavy", "frequency": 3}]}],
//    "correlations": [{"between": ["R", "S"], "value": 0.3, "space": "X"}]}
//
// A variable names its family by keyword ("type"), its input type by label or by number
// ("input", default 0; 1 and 1.0 are the same number) and gives exactly the values of that input
// type by parameter keyword. A DISCRETE variable gives categories instead. Optional per variable:
// "axis" ({"auto": true}, or
// {"min": a, "max": b} with "auto" false or left out) and "canChange" (default true). A
// correlation names two variables, its value and the space it is given in: "X" between the
// variables themselves, "U" between their standard normal images. "numerics" ("faithful" or
// "accurate", optional) is the collection's choice of numerics (see stochvar/numerics/Numerics.h);
// without it the collection follows the process default. "limitState" (optional, not empty) is
// the limit state g of the reliability analyses, kept as text (see CExpressionLimitState). Unknown
// keys are refused, so that a misspelt key cannot pass unnoticed.
//
// Writing gives one canonical layout with every number in its shortest round-trip form, so a
// document written, read and written again is the same text.

#include <stochvar/documents/CollectionDocument.h>

#include <stochvar/numerics/Numerics.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace stochvar {

// Reads a JSON document; refuses it with CDocumentError (messages name strSource). numerics,
// when given, replaces what the document says (see CDocumentBuilder).
std::unique_ptr<CCollectionDocument>
ReadJsonDocument(std::string_view text, const std::string& strSource,
                 std::optional<ENumerics> numerics = std::nullopt);

// The document as JSON text. Throws CDocumentError when a correlation refers to no variable, and
// for a value that is not a finite number ("name: the value of MEAN is nan, ...").
std::string WriteJsonDocument(const CCollectionDocument& doc);

} // namespace stochvar
