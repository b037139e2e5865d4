#pragma once

// The example collection that the hosts use when they are given no document: a small structural
// reliability problem (a steel beam in bending). Its text is examples/beam.json, compiled in.

#include <stochvar/documents/CollectionDocument.h>

#include <stochvar/numerics/Numerics.h>

#include <memory>
#include <optional>
#include <string_view>

namespace stochvar {

// How messages and listings name the built-in example.
inline constexpr const char* kBuiltInExampleName = "built-in example (beam.json)";

std::string_view BuiltInExampleText();

// numerics as for ReadJsonDocument.
std::unique_ptr<CCollectionDocument>
LoadBuiltInExample(std::optional<ENumerics> numerics = std::nullopt);

} // namespace stochvar
