#include <stochvar/documents/DocumentFile.h>

#include <stochvar/documents/AtomicFile.h>
#include <stochvar/documents/BinaryDocument.h>
#include <stochvar/documents/DocumentError.h>
#include <stochvar/documents/JsonDocument.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace stochvar {

namespace {

bool HasJsonExtension(std::string_view strPath) {
    const std::string extension = std::filesystem::path(strPath).extension().string();
    return extension.size() == 5 &&
           std::equal(extension.begin(), extension.end(), ".json", [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == b;
           });
}

std::string SystemMessage(int nError) { return std::generic_category().message(nError); }

} // namespace

EDocumentFormat FormatFromFileName(std::string_view strPath) {
    return HasJsonExtension(strPath) ? EDocumentFormat::json : EDocumentFormat::binary;
}

std::optional<EDocumentFormat> FormatFromContents(std::string_view bytes) {
    if (bytes.starts_with(kBinarySignature)) {
        return EDocumentFormat::binary;
    }
    std::string_view text = bytes;
    if (text.starts_with("\xEF\xBB\xBF")) { // a byte order mark some editors put first
        text.remove_prefix(3);
    }
    const auto first = std::find_if(text.begin(), text.end(), [](char ch) {
        return ch != ' ' && ch != '\t' && ch != '\r' && ch != '\n';
    });
    if (first != text.end() && *first == '{') {
        return EDocumentFormat::json;
    }
    return std::nullopt;
}

std::unique_ptr<CCollectionDocument> ReadDocument(std::string_view bytes,
                                                  const std::string& strSource,
                                                  std::optional<ENumerics> numerics) {
    std::optional<EDocumentFormat> format = FormatFromContents(bytes);
    if (!format && HasJsonExtension(strSource)) {
        format = EDocumentFormat::json;
    }
    if (!format) {
        throw CDocumentError(strSource, "document",
                             "not a collection document (neither JSON nor the binary format)");
    }
    if (*format == EDocumentFormat::binary) {
        return ReadBinaryDocument(bytes, strSource, numerics);
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        bytes.remove_prefix(3);
    }
    return ReadJsonDocument(bytes, strSource, numerics);
}

std::unique_ptr<CCollectionDocument> LoadDocument(const std::string& strPath,
                                                  std::optional<ENumerics> numerics) {
    std::error_code error;
    if (std::filesystem::is_directory(strPath, error)) {
        throw CDocumentError(strPath + ": cannot open: it is a directory, not a document");
    }
    std::ifstream in(strPath, std::ios::binary);
    if (!in) {
        throw CDocumentError(strPath + ": cannot open: " + SystemMessage(errno));
    }
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) {
        throw CDocumentError(strPath + ": cannot read: " + SystemMessage(errno));
    }
    return ReadDocument(bytes, strPath, numerics);
}

std::string WriteDocument(const CCollectionDocument& doc, EDocumentFormat format) {
    return format == EDocumentFormat::json ? WriteJsonDocument(doc) : WriteBinaryDocument(doc);
}

void SaveDocument(const CCollectionDocument& doc, const std::string& strPath,
                  EDocumentFormat format) {
    const std::string bytes = WriteDocument(doc, format);
    CAtomicFile file(strPath);
    file.Write(bytes);
    file.Commit();
}

} // namespace stochvar
