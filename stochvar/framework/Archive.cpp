#include <stochvar/framework/Archive.h>

#include <stochvar/framework/Object.h>
#include <stochvar/framework/RuntimeClass.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <istream>
#include <memory>
#include <ostream>
#include <type_traits>

namespace stochvar {

namespace {

// Tags of the object framing.
constexpr WORD wNullTag = 0;
constexpr WORD wNewClassTag = 0xFFFF;
constexpr WORD wClassTag = 0x8000;
constexpr DWORD dwBigClassTag = 0x80000000u;
constexpr WORD wBigObjectTag = 0x7FFF;
// The framework refuses to number more classes and objects than this in one archive.
constexpr DWORD nMaxMapCount = 0x3FFFFFFEu;

// Strings are read in pieces of this size, so that a corrupt length costs no more memory than
// the bytes the stream really holds.
constexpr std::size_t kReadChunk = 64 * 1024;

} // namespace

CArchive::CArchive(std::ostream& out) : m_bStoring(true), m_pOut(&out) {}

CArchive::CArchive(std::istream& in) : m_bStoring(false), m_pIn(&in) {
    m_loadArray.push_back({EntryKind::null, nullptr, nullptr});
}

CArchive::~CArchive() {
    if (m_pOut != nullptr) {
        try {
            m_pOut->flush();
        } catch (...) {
            // A destructor cannot report; Close() is the way to see flush errors.
        }
    }
}

// ---- state checks ---------------------------------------------------------------------------

void CArchive::Fail(int cause, const char* lpszDetail) const {
    throw CArchiveException(cause, m_strFileName, lpszDetail ? CString(lpszDetail) : CString());
}

void CArchive::CheckOpen() const {
    if (m_pOut == nullptr && m_pIn == nullptr) {
        Fail(CArchiveException::generic, "the archive is closed");
    }
}

void CArchive::CheckStoring() const {
    CheckOpen();
    if (!m_bStoring) {
        Fail(CArchiveException::readOnly);
    }
}

void CArchive::CheckLoading() const {
    CheckOpen();
    if (m_bStoring) {
        Fail(CArchiveException::writeOnly);
    }
}

// ---- raw bytes ------------------------------------------------------------------------------

void CArchive::WriteBytes(const void* lpBuf, std::size_t nCount) {
    CheckStoring();
    if (nCount == 0) {
        return;
    }
    try {
        m_pOut->write(static_cast<const char*>(lpBuf), static_cast<std::streamsize>(nCount));
    } catch (const std::ios_base::failure&) {
        Fail(CArchiveException::generic, "writing to the stream failed");
    }
    if (!*m_pOut) {
        Fail(CArchiveException::generic, "writing to the stream failed");
    }
}

std::size_t CArchive::ReadSome(void* lpBuf, std::size_t nCount) {
    CheckLoading();
    if (nCount == 0) {
        return 0;
    }
    try {
        m_pIn->read(static_cast<char*>(lpBuf), static_cast<std::streamsize>(nCount));
    } catch (const std::ios_base::failure&) {
        // A stream set to throw at its end; the short count below says the same.
    }
    if (m_pIn->bad()) {
        Fail(CArchiveException::generic, "reading from the stream failed");
    }
    return static_cast<std::size_t>(m_pIn->gcount());
}

void CArchive::ReadExact(void* lpBuf, std::size_t nCount) {
    if (ReadSome(lpBuf, nCount) != nCount) {
        Fail(CArchiveException::endOfFile);
    }
}

void CArchive::Write(const void* lpBuf, UINT nMax) { WriteBytes(lpBuf, nMax); }

UINT CArchive::Read(void* lpBuf, UINT nMax) { return static_cast<UINT>(ReadSome(lpBuf, nMax)); }

void CArchive::Flush() {
    CheckOpen();
    if (m_pOut == nullptr) {
        return; // nothing is buffered ahead when loading
    }
    try {
        m_pOut->flush();
    } catch (const std::ios_base::failure&) {
        Fail(CArchiveException::generic, "flushing the stream failed");
    }
    if (!*m_pOut) {
        Fail(CArchiveException::generic, "flushing the stream failed");
    }
}

void CArchive::Close() {
    Flush();
    m_pOut = nullptr;
    m_pIn = nullptr;
    m_storeMap.clear();
    m_loadArray.clear();
    m_schemaMap.clear();
}

UINT CArchive::GetObjectSchema() {
    const UINT nResult = m_nObjectSchema;
    m_nObjectSchema = static_cast<UINT>(-1);
    return nResult;
}

// ---- numbers --------------------------------------------------------------------------------

template <class U>
void CArchive::WriteUnsigned(U value) {
    static_assert(std::is_unsigned_v<U>);
    unsigned char bytes[sizeof(U)];
    for (std::size_t i = 0; i < sizeof(U); ++i) {
        bytes[i] = static_cast<unsigned char>(value >> (8 * i));
    }
    WriteBytes(bytes, sizeof(U));
}

template <class U>
U CArchive::ReadUnsigned() {
    static_assert(std::is_unsigned_v<U>);
    unsigned char bytes[sizeof(U)];
    ReadExact(bytes, sizeof(U));
    U value = 0;
    for (std::size_t i = 0; i < sizeof(U); ++i) {
        value = static_cast<U>(value | static_cast<U>(static_cast<U>(bytes[i]) << (8 * i)));
    }
    return value;
}

CArchive& CArchive::operator<<(BYTE by) {
    WriteUnsigned(by);
    return *this;
}

CArchive& CArchive::operator<<(char ch) { return *this << static_cast<BYTE>(ch); }

CArchive& CArchive::operator<<(WORD w) {
    WriteUnsigned(w);
    return *this;
}

CArchive& CArchive::operator<<(std::int16_t n) { return *this << static_cast<WORD>(n); }

CArchive& CArchive::operator<<(DWORD dw) {
    WriteUnsigned(dw);
    return *this;
}

CArchive& CArchive::operator<<(int n) { return *this << static_cast<DWORD>(n); }

CArchive& CArchive::operator<<(std::uint64_t n) {
    WriteUnsigned(n);
    return *this;
}

CArchive& CArchive::operator<<(std::int64_t n) { return *this << static_cast<std::uint64_t>(n); }

CArchive& CArchive::operator<<(float f) { return *this << std::bit_cast<DWORD>(f); }

CArchive& CArchive::operator<<(double d) { return *this << std::bit_cast<std::uint64_t>(d); }

CArchive& CArchive::operator>>(BYTE& by) {
    by = ReadUnsigned<BYTE>();
    return *this;
}

CArchive& CArchive::operator>>(char& ch) {
    ch = static_cast<char>(ReadUnsigned<BYTE>());
    return *this;
}

CArchive& CArchive::operator>>(WORD& w) {
    w = ReadUnsigned<WORD>();
    return *this;
}

CArchive& CArchive::operator>>(std::int16_t& n) {
    n = static_cast<std::int16_t>(ReadUnsigned<WORD>());
    return *this;
}

CArchive& CArchive::operator>>(DWORD& dw) {
    dw = ReadUnsigned<DWORD>();
    return *this;
}

CArchive& CArchive::operator>>(int& n) {
    n = static_cast<int>(ReadUnsigned<DWORD>());
    return *this;
}

CArchive& CArchive::operator>>(std::uint64_t& n) {
    n = ReadUnsigned<std::uint64_t>();
    return *this;
}

CArchive& CArchive::operator>>(std::int64_t& n) {
    n = static_cast<std::int64_t>(ReadUnsigned<std::uint64_t>());
    return *this;
}

CArchive& CArchive::operator>>(float& f) {
    f = std::bit_cast<float>(ReadUnsigned<DWORD>());
    return *this;
}

CArchive& CArchive::operator>>(double& d) {
    d = std::bit_cast<double>(ReadUnsigned<std::uint64_t>());
    return *this;
}

// ---- counts ---------------------------------------------------------------------------------

void CArchive::WriteCount(DWORD dwCount) {
    if (dwCount < 0xFFFF) {
        WriteUnsigned(static_cast<WORD>(dwCount));
        return;
    }
    WriteUnsigned(WORD{0xFFFF});
    if (dwCount < 0xFFFFFFFFu) {
        WriteUnsigned(dwCount);
        return;
    }
    WriteUnsigned(DWORD{0xFFFFFFFFu});
    WriteUnsigned(std::uint64_t{dwCount});
}

DWORD CArchive::ReadCount() {
    const WORD wCount = ReadUnsigned<WORD>();
    if (wCount != 0xFFFF) {
        return wCount;
    }
    const DWORD dwCount = ReadUnsigned<DWORD>();
    if (dwCount != 0xFFFFFFFFu) {
        return dwCount;
    }
    const std::uint64_t qwCount = ReadUnsigned<std::uint64_t>();
    if (qwCount > 0xFFFFFFFFu) {
        Fail(CArchiveException::generic, "a count beyond 32 bits");
    }
    return static_cast<DWORD>(qwCount);
}

// ---- strings --------------------------------------------------------------------------------

void CArchive::WriteStringLength(std::size_t nLength) {
    if (nLength < 255) {
        WriteUnsigned(static_cast<BYTE>(nLength));
    } else if (nLength < 0xFFFE) {
        WriteUnsigned(BYTE{0xFF});
        WriteUnsigned(static_cast<WORD>(nLength));
    } else {
        // CString lengths are ints, so the 32-bit form always suffices.
        WriteUnsigned(BYTE{0xFF});
        WriteUnsigned(WORD{0xFFFF});
        WriteUnsigned(static_cast<DWORD>(nLength));
    }
}

// The length in characters; bWide tells whether the characters are 16-bit ones.
std::uint64_t CArchive::ReadStringLength(bool& bWide) {
    bWide = false;
    BYTE bLength = ReadUnsigned<BYTE>();
    if (bLength < 0xFF) {
        return bLength;
    }
    WORD wLength = ReadUnsigned<WORD>();
    if (wLength == 0xFFFE) {
        // Marker of 16-bit characters; the length prefix proper follows.
        bWide = true;
        bLength = ReadUnsigned<BYTE>();
        if (bLength < 0xFF) {
            return bLength;
        }
        wLength = ReadUnsigned<WORD>();
    }
    if (wLength < 0xFFFF) {
        return wLength;
    }
    const DWORD dwLength = ReadUnsigned<DWORD>();
    if (dwLength < 0xFFFFFFFFu) {
        return dwLength;
    }
    return ReadUnsigned<std::uint64_t>();
}

std::string CArchive::ReadNarrowChars(std::size_t nLength) {
    std::string str;
    while (str.size() < nLength) {
        const std::size_t nOld = str.size();
        str.resize(nOld + std::min(kReadChunk, nLength - nOld));
        ReadExact(str.data() + nOld, str.size() - nOld);
    }
    return str;
}

// 16-bit little-endian characters; those of one byte are kept, others have no byte to become.
std::string CArchive::ReadWideChars(std::size_t nLength) {
    std::string str;
    std::string units;
    while (str.size() < nLength) {
        const std::size_t nChars = std::min(kReadChunk, nLength - str.size());
        units.resize(2 * nChars);
        ReadExact(units.data(), units.size());
        for (std::size_t i = 0; i < nChars; ++i) {
            const auto low = static_cast<unsigned char>(units[2 * i]);
            const auto high = static_cast<unsigned char>(units[2 * i + 1]);
            if (high != 0) {
                Fail(CArchiveException::generic,
                     "a 16-bit string character beyond 0xFF has no single-byte form");
            }
            str.push_back(static_cast<char>(low));
        }
    }
    return str;
}

CArchive& CArchive::operator<<(const CString& str) {
    CheckStoring();
    WriteStringLength(static_cast<std::size_t>(str.GetLength()));
    WriteBytes(str.GetString(), static_cast<std::size_t>(str.GetLength()));
    return *this;
}

CArchive& CArchive::operator<<(const char* psz) { return *this << CString(psz); }

CArchive& CArchive::operator>>(CString& str) {
    bool bWide = false;
    const std::uint64_t nLength = ReadStringLength(bWide);
    if (nLength > static_cast<std::uint64_t>(INT_MAX)) {
        Fail(CArchiveException::generic, "a string longer than a string can be");
    }
    const auto nChars = static_cast<std::size_t>(nLength);
    str = CString(bWide ? ReadWideChars(nChars) : ReadNarrowChars(nChars));
    return *this;
}

// ---- object framing: storing ----------------------------------------------------------------

DWORD CArchive::StoredIndex(const void* p) const {
    const auto it = m_storeMap.find(p);
    return it == m_storeMap.end() ? 0 : it->second;
}

void CArchive::CheckCount() const {
    if (m_nMapCount >= nMaxMapCount) {
        Fail(CArchiveException::badIndex, "too many classes and objects in one archive");
    }
}

void CArchive::MapStored(const void* p) {
    CheckCount();
    m_storeMap.emplace(p, m_nMapCount++);
}

void CArchive::WriteIndexTag(DWORD nIndex, bool bClass) {
    if (nIndex < wBigObjectTag) {
        WriteUnsigned(static_cast<WORD>(nIndex | (bClass ? wClassTag : 0u)));
    } else {
        WriteUnsigned(wBigObjectTag);
        WriteUnsigned(static_cast<DWORD>(nIndex | (bClass ? dwBigClassTag : 0u)));
    }
}

void CArchive::WriteClass(const CRuntimeClass* pClassRef) {
    CheckStoring();
    if (pClassRef == nullptr || pClassRef->m_wSchema == CRuntimeClass::kNotSerializable) {
        Fail(CArchiveException::badClass, "the class cannot be stored");
    }
    if (const DWORD nClassIndex = StoredIndex(pClassRef); nClassIndex != 0) {
        WriteIndexTag(nClassIndex, true);
        return;
    }
    WriteUnsigned(wNewClassTag);
    pClassRef->Store(*this);
    MapStored(pClassRef);
}

void CArchive::WriteObject(const CObject* pOb) {
    CheckStoring();
    if (pOb == nullptr) {
        WriteUnsigned(wNullTag);
        return;
    }
    if (const DWORD nObIndex = StoredIndex(pOb); nObIndex != 0) {
        WriteIndexTag(nObIndex, false);
        return;
    }
    WriteClass(pOb->GetRuntimeClass());
    // Numbered before its body, so that the body can refer back to the object itself.
    MapStored(pOb);
    const_cast<CObject*>(pOb)->Serialize(*this);
}

CArchive& CArchive::operator<<(const CObject* pOb) {
    WriteObject(pOb);
    return *this;
}

// ---- object framing: loading ----------------------------------------------------------------

UINT CArchive::LoadedSchema(const CRuntimeClass* pClass) const {
    const auto it = m_schemaMap.find(pClass);
    return it == m_schemaMap.end() ? (pClass->m_wSchema & ~VERSIONABLE_SCHEMA) : it->second;
}

void CArchive::CheckStoredSchema(const CRuntimeClass* pClass, UINT nSchema) {
    if ((pClass->m_wSchema & ~VERSIONABLE_SCHEMA) == nSchema) {
        return;
    }
    if ((pClass->m_wSchema & VERSIONABLE_SCHEMA) == 0) {
        Fail(CArchiveException::badSchema, pClass->m_lpszClassName);
    }
    m_schemaMap[pClass] = nSchema;
}

const CRuntimeClass* CArchive::ReadClass(const CRuntimeClass* pClassRefRequested, UINT* pSchema,
                                         DWORD* pObTag) {
    CheckLoading();
    const WORD wTag = ReadUnsigned<WORD>();
    const DWORD obTag = wTag == wBigObjectTag ? ReadUnsigned<DWORD>()
                                              : (static_cast<DWORD>(wTag & wClassTag) << 16) |
                                                    static_cast<DWORD>(wTag & ~wClassTag);
    if ((obTag & dwBigClassTag) == 0) {
        if (pObTag == nullptr) {
            Fail(CArchiveException::badIndex, "an object where a class was expected");
        }
        *pObTag = obTag;
        return nullptr;
    }

    const CRuntimeClass* pClass = nullptr;
    UINT nSchema = 0;
    if (wTag == wNewClassTag) {
        pClass = CRuntimeClass::Load(*this, &nSchema);
        if (pClass == nullptr) {
            Fail(CArchiveException::badClass, "a class name that is not registered");
        }
        CheckStoredSchema(pClass, nSchema);
        CheckCount();
        m_loadArray.push_back({EntryKind::classRecord, pClass, nullptr});
        ++m_nMapCount;
    } else {
        const DWORD nClassIndex = obTag & ~dwBigClassTag;
        if (nClassIndex >= m_loadArray.size() ||
            m_loadArray[nClassIndex].kind != EntryKind::classRecord) {
            Fail(CArchiveException::badIndex, "a class index that names no class");
        }
        pClass = m_loadArray[nClassIndex].pClass;
        nSchema = LoadedSchema(pClass);
    }

    if (pClassRefRequested != nullptr && !pClass->IsDerivedFrom(pClassRefRequested)) {
        Fail(CArchiveException::badClass, pClass->m_lpszClassName);
    }
    if (pSchema != nullptr) {
        *pSchema = nSchema;
    } else {
        m_nObjectSchema = nSchema;
    }
    if (pObTag != nullptr) {
        *pObTag = obTag;
    }
    return pClass;
}

CObject* CArchive::LoadedObject(DWORD obTag, const CRuntimeClass* pClassRefRequested) const {
    if (obTag >= m_loadArray.size()) {
        Fail(CArchiveException::badIndex, "an object index beyond the objects read");
    }
    const LoadEntry& entry = m_loadArray[obTag];
    if (entry.kind == EntryKind::null) {
        return nullptr;
    }
    if (entry.kind != EntryKind::object) {
        Fail(CArchiveException::badIndex, "an object index that names no object");
    }
    if (pClassRefRequested != nullptr && !entry.pObject->IsKindOf(pClassRefRequested)) {
        Fail(CArchiveException::badClass, entry.pObject->GetRuntimeClass()->m_lpszClassName);
    }
    return entry.pObject;
}

CObject* CArchive::CreateAndLoad(const CRuntimeClass* pClass, UINT nSchema) {
    if (pClass->m_wSchema == CRuntimeClass::kNotSerializable) {
        Fail(CArchiveException::badClass, pClass->m_lpszClassName);
    }
    std::unique_ptr<CObject> pOb(pClass->CreateObject());
    if (!pOb) {
        Fail(CArchiveException::badClass, pClass->m_lpszClassName);
    }
    // Numbered before its body is read, so that the body can refer back to the object.
    CheckCount();
    const std::size_t nIndex = m_loadArray.size();
    m_loadArray.push_back({EntryKind::object, pClass, pOb.get()});
    ++m_nMapCount;

    const UINT nSchemaSave = m_nObjectSchema;
    m_nObjectSchema = nSchema;
    try {
        pOb->Serialize(*this);
    } catch (...) {
        // The object dies with the exception, and so do the objects its body had read so far
        // (they were handed to it alone): a later reference to any of them is an error.
        for (std::size_t i = nIndex; i < m_loadArray.size(); ++i) {
            if (m_loadArray[i].kind == EntryKind::object) {
                m_loadArray[i] = {EntryKind::discarded, m_loadArray[i].pClass, nullptr};
            }
        }
        m_nObjectSchema = nSchemaSave;
        throw;
    }
    m_nObjectSchema = nSchemaSave;
    return pOb.release();
}

CObject* CArchive::ReadObject(const CRuntimeClass* pClassRefRequested) {
    UINT nSchema = 0;
    DWORD obTag = 0;
    const CRuntimeClass* pClass = ReadClass(pClassRefRequested, &nSchema, &obTag);
    if (pClass == nullptr) {
        return LoadedObject(obTag, pClassRefRequested);
    }
    return CreateAndLoad(pClass, nSchema);
}

CArchive& CArchive::operator>>(CObject*& pOb) {
    pOb = ReadObject(nullptr);
    return *this;
}

} // namespace stochvar
