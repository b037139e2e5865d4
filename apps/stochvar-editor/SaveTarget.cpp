#include "stochvar-editor/SaveTarget.h"

#include <QFileInfo>

namespace stochvar {

namespace {

QString Extension(EDocumentFormat format) {
    const std::string_view extension =
        format == EDocumentFormat::json ? kJsonExtension : kBinaryExtension;
    return QString::fromLatin1(extension.data(), static_cast<qsizetype>(extension.size()));
}

QString Pattern(EDocumentFormat format) { return QStringLiteral("*") + Extension(format); }

QString AllFilesFilter() { return QStringLiteral("All files (*)"); }

} // namespace

QString FilterFor(EDocumentFormat format) {
    return format == EDocumentFormat::json
               ? QStringLiteral("JSON documents (%1)").arg(Pattern(format))
               : QStringLiteral("Binary documents (%1)").arg(Pattern(format));
}

QString SaveFilters() {
    return FilterFor(EDocumentFormat::json) + QStringLiteral(";;") +
           FilterFor(EDocumentFormat::binary) + QStringLiteral(";;") + AllFilesFilter();
}

QString OpenFilters() {
    return QStringLiteral("Collection documents (%1 %2);;")
               .arg(Pattern(EDocumentFormat::json), Pattern(EDocumentFormat::binary)) +
           SaveFilters();
}

SSaveTarget ResolveSaveTarget(const QString& path, const QString& selectedFilter,
                              EDocumentFormat currentFormat) {
    for (const EDocumentFormat format : {EDocumentFormat::json, EDocumentFormat::binary}) {
        if (path.endsWith(Extension(format), Qt::CaseInsensitive)) {
            return {path, format, false};
        }
    }
    EDocumentFormat format = currentFormat;
    for (const EDocumentFormat filterFormat : {EDocumentFormat::json, EDocumentFormat::binary}) {
        if (selectedFilter == FilterFor(filterFormat)) {
            format = filterFormat;
        }
    }
    if (QFileInfo(path).suffix().isEmpty()) {
        return {path + Extension(format), format, true};
    }
    return {path, format, false};
}

} // namespace stochvar
