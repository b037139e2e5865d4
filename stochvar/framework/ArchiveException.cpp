#include <stochvar/framework/ArchiveException.h>

namespace stochvar {

namespace {

const char* CauseText(int cause) {
    switch (cause) {
    case CArchiveException::none:
        return "no archive error";
    case CArchiveException::generic:
        return "archive error";
    case CArchiveException::readOnly:
        return "cannot store into an archive that is loading";
    case CArchiveException::endOfFile:
        return "unexpected end of archive";
    case CArchiveException::writeOnly:
        return "cannot load from an archive that is storing";
    case CArchiveException::badIndex:
        return "invalid object or class index in archive";
    case CArchiveException::badClass:
        return "unknown or unexpected class in archive";
    case CArchiveException::badSchema:
        return "archive holds a class version (schema) that the class cannot read";
    default:
        return "unknown archive error";
    }
}

} // namespace

CArchiveException::CArchiveException(int cause, const CString& strFileName,
                                     const CString& strDetail)
    : m_cause(cause), m_strFileName(strFileName), m_strWhat(CauseText(cause)) {
    if (!strDetail.IsEmpty()) {
        m_strWhat += ": ";
        m_strWhat += strDetail.str();
    }
    if (!strFileName.IsEmpty()) {
        m_strWhat += " (file '";
        m_strWhat += strFileName.str();
        m_strWhat += "')";
    }
}

const char* CArchiveException::what() const noexcept { return m_strWhat.c_str(); }

} // namespace stochvar
