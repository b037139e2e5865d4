#include <stochvar/documents/JsonDocument.h>

#include <stochvar/documents/DocumentBuilder.h>
#include <stochvar/documents/DocumentError.h>

#include <stochvar/families/Discrete.h>
#include <stochvar/families/FamilyList.h>
#include <stochvar/numerics/NumberText.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <set>
#include <span>
#include <utility>
#include <vector>

namespace stochvar {

namespace {

using nlohmann::json;

using KeyList = std::span<const std::string_view>;

constexpr std::string_view kDocumentKeys[] = {"description", "limitState", "numerics", "variables",
                                              "correlations"};
constexpr std::string_view kVariableKeys[] = {"name",       "type", "input",    "values",
                                              "categories", "axis", "canChange"};
constexpr std::string_view kCategoryKeys[] = {"name", "frequency"};
constexpr std::string_view kAxisKeys[] = {"auto", "min", "max"};
constexpr std::string_view kCorrelationKeys[] = {"between", "value", "space"};

std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (const char ch : text) {
        switch (ch) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(ch) < 0x20) {
                static constexpr char kHex[] = "0123456789abcdef";
                out += "\\u00";
                out += kHex[(ch >> 4) & 0x0F];
                out += kHex[ch & 0x0F];
            } else {
                out += ch;
            }
        }
    }
    return out + "\"";
}

std::string JoinedList(KeyList items) {
    std::string out;
    for (const std::string_view item : items) {
        out += (out.empty() ? "" : ", ") + std::string(item);
    }
    return out;
}

std::string KnownFamilies() {
    std::string out;
    for (const char* pszKeyword : DistTypeKeywords()) {
        out += (out.empty() ? "" : ", ") + std::string(pszKeyword);
    }
    return out;
}

int FindKeyword(std::span<const char* const> table, std::string_view keyword) {
    for (int i = 0; i < static_cast<int>(table.size()); ++i) {
        if (keyword == table[static_cast<std::size_t>(i)]) {
            return i;
        }
    }
    return -1;
}

// Reads one JSON document into a builder, member by member.
class CJsonReader {
public:
    explicit CJsonReader(CDocumentBuilder& builder) : m_builder(builder) {}

    void ReadDocument(const json& root) {
        if (!root.is_object()) {
            Refuse("document", "the top level must be an object with \"variables\"");
        }
        CheckKeys(root, kDocumentKeys, "document");
        if (root.contains("description")) {
            m_builder.GetDocument().m_strDescription =
                String(root["description"], "document", "description");
        }
        if (root.contains("limitState")) {
            std::string strLimitState = String(root["limitState"], "document", "limitState");
            if (strLimitState.empty()) {
                Refuse("document", "\"limitState\" is empty: give g, or leave the key out");
            }
            m_builder.GetDocument().m_strLimitState = std::move(strLimitState);
        }
        if (root.contains("numerics")) {
            const std::optional<ENumerics> numerics =
                NumericsFromName(String(root["numerics"], "document", "numerics"));
            if (!numerics) {
                Refuse("document", "\"numerics\" must be \"faithful\" or \"accurate\"");
            }
            m_builder.TakeDocumentNumerics(*numerics);
        }
        if (!root.contains("variables") || !root["variables"].is_array()) {
            Refuse("document", "\"variables\" must be an array of variables");
        }
        const json& variables = root["variables"];
        for (std::size_t i = 0; i < variables.size(); ++i) {
            ReadVariable(variables[i], static_cast<int>(i));
        }
        if (root.contains("correlations")) {
            const json& correlations = root["correlations"];
            if (!correlations.is_array()) {
                Refuse("document", "\"correlations\" must be an array of correlations");
            }
            for (std::size_t k = 0; k < correlations.size(); ++k) {
                ReadCorrelation(correlations[k], static_cast<int>(k));
            }
        }
    }

private:
    [[noreturn]] void Refuse(const std::string& strSubject, const std::string& strReason) const {
        m_builder.Refuse(strSubject, strReason);
    }

    void CheckKeys(const json& object, KeyList allowed, const std::string& strSubject) const {
        for (const auto& item : object.items()) {
            if (std::find(allowed.begin(), allowed.end(), item.key()) == allowed.end()) {
                Refuse(strSubject,
                       "unknown key \"" + item.key() + "\" (expected " + JoinedList(allowed) + ")");
            }
        }
    }

    std::string String(const json& value, const std::string& strSubject,
                       std::string_view key) const {
        if (!value.is_string()) {
            Refuse(strSubject, "\"" + std::string(key) + "\" must be a string");
        }
        return value.get<std::string>();
    }

    double Number(const json& value, const std::string& strSubject, std::string_view key) const {
        if (!value.is_number()) {
            Refuse(strSubject, "\"" + std::string(key) + "\" must be a number");
        }
        return value.get<double>();
    }

    bool Boolean(const json& value, const std::string& strSubject, std::string_view key) const {
        if (!value.is_boolean()) {
            Refuse(strSubject, "\"" + std::string(key) + "\" must be true or false");
        }
        return value.get<bool>();
    }

    const json& Required(const json& object, const char* pszKey,
                         const std::string& strSubject) const {
        if (!object.contains(pszKey)) {
            Refuse(strSubject, "\"" + std::string(pszKey) + "\" is missing");
        }
        return object[pszKey];
    }

    void ReadVariable(const json& item, int nIndex) {
        std::string strSubject = "variable " + std::to_string(nIndex + 1);
        if (!item.is_object()) {
            Refuse(strSubject, "a variable must be an object");
        }
        const std::string strName = String(Required(item, "name", strSubject), strSubject, "name");
        if (!strName.empty()) {
            strSubject = strName;
        }
        CheckKeys(item, kVariableKeys, strSubject);

        const std::string strType = String(Required(item, "type", strSubject), strSubject, "type");
        const int nType = FindKeyword(DistTypeKeywords(), strType);
        if (nType < 0) {
            Refuse(strSubject,
                   "unknown family \"" + strType + "\" (known: " + KnownFamilies() + ")");
        }
        std::unique_ptr<CDist> pDist = CDocumentBuilder::CreateVariable(nType, CString(strName));
        if (pDist == nullptr) {
            Refuse(strSubject, "the family " + strType + " is not available in this build");
        }
        if (item.contains("canChange")) {
            pDist->SetCanChange(Boolean(item["canChange"], strSubject, "canChange") ? TRUE : FALSE);
        }
        if (nType == DIST_DISCRETE) {
            ReadCategories(item, static_cast<CDiscrete&>(*pDist), strSubject);
        } else {
            ReadInputValues(item, *pDist, strSubject);
        }
        if (item.contains("axis")) {
            ReadAxis(item["axis"], *pDist, strSubject);
        }
        m_builder.AddVariable(std::move(pDist), strSubject);
    }

    int ReadInputType(const json& item, CDist& dist, const std::string& strSubject) const {
        if (!item.contains("input")) {
            return 0;
        }
        const json& input = item["input"];
        const int nCount = dist.GetParamCombiCount();
        std::string strKnown;
        for (int n = 0; n < nCount; ++n) {
            CString strLabel;
            CUIntArray ids;
            dist.GetParamsList(n, strLabel, &ids);
            if (input.is_string() && input.get<std::string>() == strLabel.str()) {
                return n;
            }
            strKnown += (n == 0 ? "" : ", ") + std::to_string(n) + " " + strLabel.str();
        }
        if (input.is_number()) {
            // JSON does not tell 1 from 1.0, and many writers give every number a fraction; a
            // number names an input type when its value is whole.
            const double dNumber = input.get<double>();
            if (dNumber >= 0.0 && dNumber < nCount && dNumber == std::floor(dNumber)) {
                return static_cast<int>(dNumber);
            }
        } else if (!input.is_string()) {
            Refuse(strSubject, "\"input\" must be an input type label (text) or number");
        }
        Refuse(strSubject, "unknown input type " + input.dump() + " (known: " + strKnown + ")");
    }

    void ReadInputValues(const json& item, CDist& dist, const std::string& strSubject) {
        if (item.contains("categories")) {
            Refuse(strSubject, "only a DISCRETE variable has categories");
        }
        const int nParamCombi = ReadInputType(item, dist, strSubject);
        CString strLabel;
        CUIntArray ids;
        dist.GetParamsList(nParamCombi, strLabel, &ids);

        const json& values = Required(item, "values", strSubject);
        if (!values.is_object()) {
            Refuse(strSubject, "\"values\" must be an object of parameter values by keyword");
        }
        for (const auto& entry : values.items()) {
            const int nParam = FindKeyword(kParamKeywords, entry.key());
            if (nParam < 0) {
                Refuse(strSubject, "unknown parameter keyword \"" + entry.key() + "\"");
            }
            if (std::find(ids.begin(), ids.end(), static_cast<UINT>(nParam)) == ids.end()) {
                Refuse(strSubject,
                       entry.key() + " is not a parameter of input type " + strLabel.str());
            }
        }
        std::vector<double> entered;
        for (const UINT nParam : ids) {
            const char* pszKeyword = kParamKeywords[nParam];
            if (!values.contains(pszKeyword)) {
                Refuse(strSubject, std::string("the value of ") + pszKeyword +
                                       " is missing (input type " + strLabel.str() + ")");
            }
            entered.push_back(Number(values[pszKeyword], strSubject, pszKeyword));
        }
        m_builder.EnterInputValues(dist, nParamCombi, entered, strSubject);
    }

    void ReadCategories(const json& item, CDiscrete& dist, const std::string& strSubject) {
        if (item.contains("input") || item.contains("values")) {
            Refuse(strSubject, "a DISCRETE variable has categories, no input type or values");
        }
        const json& list = Required(item, "categories", strSubject);
        if (!list.is_array()) {
            Refuse(strSubject, "\"categories\" must be an array of categories");
        }
        std::vector<std::pair<std::string, double>> categories;
        for (const json& category : list) {
            if (!category.is_object()) {
                Refuse(strSubject, "a category must be an object with name and frequency");
            }
            CheckKeys(category, kCategoryKeys, strSubject);
            categories.emplace_back(
                String(Required(category, "name", strSubject), strSubject, "name"),
                Number(Required(category, "frequency", strSubject), strSubject, "frequency"));
        }
        m_builder.EnterCategories(dist, categories, strSubject);
    }

    void ReadAxis(const json& axis, CDist& dist, const std::string& strSubject) const {
        if (!axis.is_object()) {
            Refuse(strSubject, "\"axis\" must be an object");
        }
        CheckKeys(axis, kAxisKeys, strSubject);
        const bool bBounds = axis.contains("min") || axis.contains("max");
        const bool bAuto =
            axis.contains("auto") ? Boolean(axis["auto"], strSubject, "auto") : !bBounds;
        if (bAuto) {
            if (bBounds) {
                Refuse(strSubject, "an automatic axis takes no \"min\" or \"max\"");
            }
            dist.m_bAutoAxis = TRUE;
            return;
        }
        dist.m_bAutoAxis = FALSE;
        dist.m_dAxisMin = Number(Required(axis, "min", strSubject), strSubject, "min");
        dist.m_dAxisMax = Number(Required(axis, "max", strSubject), strSubject, "max");
    }

    void ReadCorrelation(const json& item, int nIndex) {
        std::string strSubject = "correlation " + std::to_string(nIndex + 1);
        if (!item.is_object()) {
            Refuse(strSubject, "a correlation must be an object");
        }
        CheckKeys(item, kCorrelationKeys, strSubject);
        const json& between = Required(item, "between", strSubject);
        if (!between.is_array() || between.size() != 2 || !between[0].is_string() ||
            !between[1].is_string()) {
            Refuse(strSubject, "\"between\" must name two variables");
        }
        const std::string strName1 = between[0].get<std::string>();
        const std::string strName2 = between[1].get<std::string>();
        strSubject = CorrelationSubject(strName1, strName2);

        const CCollectionDocument& doc = m_builder.GetDocument();
        const int nIndex1 = doc.FindVariable(strName1);
        const int nIndex2 = doc.FindVariable(strName2);
        if (nIndex1 < 0 || nIndex2 < 0) {
            Refuse(strSubject, "unknown variable \"" + (nIndex1 < 0 ? strName1 : strName2) + "\"");
        }
        const double dValue = Number(Required(item, "value", strSubject), strSubject, "value");
        const std::string strSpace =
            String(Required(item, "space", strSubject), strSubject, "space");
        if (strSpace != "X" && strSpace != "U") {
            Refuse(strSubject, "\"space\" must be \"X\" or \"U\"");
        }
        m_builder.AddCorrelation(nIndex1, nIndex2, dValue, strSpace == "X" ? TRUE : FALSE);
    }

    CDocumentBuilder& m_builder;
};

// The parser's message without its exception tag ("[json.exception.parse_error.101] ").
std::string ParseMessage(const char* pszWhat) {
    std::string_view text = pszWhat;
    if (text.starts_with("[json.exception.")) {
        const std::size_t nEnd = text.find("] ");
        if (nEnd != std::string_view::npos) {
            text.remove_prefix(nEnd + 2);
        }
    }
    return std::string(text);
}

// A number of a variable as JSON text. JSON has no text for infinities and NaN (which reading
// refuses anyway), so a document with one is refused here, naming the variable and the key.
std::string NumberText(double dValue, const std::string& strSubject, std::string_view key) {
    if (!std::isfinite(dValue)) {
        throw CDocumentError(strSubject + ": the value of " + std::string(key) + " is " +
                             FormatShortest(dValue) + ", and a document holds finite numbers only");
    }
    return FormatShortest(dValue);
}

void WriteVariable(std::string& out, const CDist& constDist, int nIndex) {
    // The list operations are not const in the library's interface; nothing is changed here.
    CDist& dist = const_cast<CDist&>(constDist);
    const std::string strSubject = VariableSubject(dist, nIndex);
    out += "    {\n";
    out += "      \"name\": " + Quoted(dist.m_strVarName.str()) + ",\n";
    out += "      \"type\": " + Quoted(dist.GetVarTypeName().str());
    if (dist.m_nType == DIST_DISCRETE) {
        out += ",\n      \"categories\": [";
        for (int k = 0; k < dist.m_CategoryNames.GetSize(); ++k) {
            out +=
                std::string(k == 0 ? "" : ",") +
                "\n        {\"name\": " + Quoted(dist.m_CategoryNames[k].str()) +
                ", \"frequency\": " + NumberText(dist.m_Frequencies[k], strSubject, "frequency") +
                "}";
        }
        out += dist.m_CategoryNames.IsEmpty() ? "]" : "\n      ]";
    } else {
        CString strLabel;
        CUIntArray ids;
        dist.GetParamsList(dist.m_nParamCombi, strLabel, &ids);
        out += ",\n      \"input\": " + Quoted(strLabel.str()) + ",\n      \"values\": {";
        for (int i = 0; i < ids.GetSize(); ++i) {
            out += std::string(i == 0 ? "" : ", ") + Quoted(kParamKeywords[ids[i]]) + ": " +
                   NumberText(dist.GetParamValue(static_cast<int>(ids[i])), strSubject,
                              kParamKeywords[ids[i]]);
        }
        out += "}";
    }
    if (!dist.m_bAutoAxis) {
        out += ",\n      \"axis\": {\"auto\": false, \"min\": " +
               NumberText(dist.m_dAxisMin, strSubject, "min") +
               ", \"max\": " + NumberText(dist.m_dAxisMax, strSubject, "max") + "}";
    }
    if (!dist.CanChange()) {
        out += ",\n      \"canChange\": false";
    }
    out += "\n    }";
}

} // namespace

std::unique_ptr<CCollectionDocument> ReadJsonDocument(std::string_view text,
                                                      const std::string& strSource,
                                                      std::optional<ENumerics> numerics) {
    CDocumentBuilder builder(strSource, numerics);
    // The parser would keep the last of two equal keys; a document that gives a key twice is
    // ambiguous and refused instead.
    std::vector<std::set<std::string>> keysOfOpenObjects;
    const json::parser_callback_t refuseDuplicateKeys = [&](int, json::parse_event_t event,
                                                            json& parsed) {
        if (event == json::parse_event_t::object_start) {
            keysOfOpenObjects.emplace_back();
        } else if (event == json::parse_event_t::object_end) {
            keysOfOpenObjects.pop_back();
        } else if (event == json::parse_event_t::key &&
                   !keysOfOpenObjects.back().insert(parsed.get<std::string>()).second) {
            builder.Refuse("document", "the key \"" + parsed.get<std::string>() +
                                           "\" is given twice in one object");
        }
        return true;
    };
    json root;
    try {
        root = json::parse(text.begin(), text.end(), refuseDuplicateKeys);
    } catch (const json::exception& error) {
        builder.Refuse("document", "not valid JSON: " + ParseMessage(error.what()));
    }
    CJsonReader(builder).ReadDocument(root);
    return builder.Finish();
}

std::string WriteJsonDocument(const CCollectionDocument& doc) {
    std::string out = "{\n";
    if (!doc.m_strDescription.empty()) {
        out += "  \"description\": " + Quoted(doc.m_strDescription) + ",\n";
    }
    if (!doc.m_strLimitState.empty()) {
        out += "  \"limitState\": " + Quoted(doc.m_strLimitState) + ",\n";
    }
    if (!doc.GetCollection().FollowsDefaultNumerics()) {
        out += "  \"numerics\": " + Quoted(NumericsName(doc.GetCollection().GetNumerics())) + ",\n";
    }
    out += "  \"variables\": [";
    for (int i = 0; i < doc.GetVariableCount(); ++i) {
        out += i == 0 ? "\n" : ",\n";
        WriteVariable(out, *doc.GetVariable(i), i);
    }
    out += doc.GetVariableCount() == 0 ? "],\n" : "\n  ],\n";
    out += "  \"correlations\": [";
    for (int k = 0; k < doc.GetCorrelationCount(); ++k) {
        const auto [nFirst, nSecond] = doc.GetCorrelationPairToWrite(k);
        const SCorr& corr = doc.GetCorrelation(k);
        out += std::string(k == 0 ? "\n" : ",\n") + "    {\"between\": [" +
               Quoted(doc.GetVariable(nFirst)->m_strVarName.str()) + ", " +
               Quoted(doc.GetVariable(nSecond)->m_strVarName.str()) +
               "], \"value\": " + FormatShortest(corr.bXSpace ? corr.dCorrX : corr.dCorrU) +
               ", \"space\": " + (corr.bXSpace ? "\"X\"" : "\"U\"") + "}";
    }
    out += doc.GetCorrelationCount() == 0 ? "]\n" : "\n  ]\n";
    out += "}\n";
    return out;
}

} // namespace stochvar
