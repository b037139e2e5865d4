#pragma once

// CArchive: the framework's binary archive over a byte stream, byte-compatible with archives
// written and read by hosts built on the framework.
//
// Numbers are little-endian whatever the machine: BYTE and char one byte, WORD and int16 two,
// DWORD/UINT, int (BOOL, LONG) and float four, double and the 64-bit integers eight.
//
// Strings carry a length prefix and no terminator: below 255 one byte; below 0xFFFE the byte
// 0xFF then a WORD; longer the byte 0xFF, the WORD 0xFFFF, then a DWORD. Loading also accepts
// the framework's 16-bit-character strings (0xFF, WORD 0xFFFE, then a length prefix counting
// 16-bit characters) as long as every character fits one byte.
//
// Counts (WriteCount/ReadCount): below 0xFFFF a WORD; otherwise the WORD 0xFFFF then a DWORD.
// The count 0xFFFFFFFF itself is followed by its 64-bit value, as a 64-bit framework host
// writes and expects it.
//
// Objects (WriteObject/ReadObject) are framed as the framework frames them:
//   null pointer                 WORD 0
//   object of a class not yet    WORD 0xFFFF, the class record (WORD schema, WORD name length,
//   seen in this archive         name bytes), then the object's Serialize body
//   object of a class seen       WORD 0x8000 | class index, then the Serialize body
//   before
//   object stored before         WORD object index
// Classes and objects are numbered in the order they first appear, from 1 on, in one sequence
// (0 is the null pointer). An index of 0x7FFF or more is written as the WORD 0x7FFF followed by
// the DWORD index (with the bit 0x80000000 set for a class).
//
// Every failure raises CArchiveException; nothing else leaves the archive except what the
// stream or an object's Serialize throws of its own.

#include <stochvar/framework/ArchiveException.h>
#include <stochvar/framework/String.h>
#include <stochvar/framework/Types.h>

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <unordered_map>
#include <vector>

namespace stochvar {

class CObject;
class CRuntimeClass;

// Set in a class's schema to let it load every stored schema number: Serialize then asks
// GetObjectSchema which one it is reading. Without it a stored schema must match exactly.
inline constexpr UINT VERSIONABLE_SCHEMA = 0x80000000u;

class CArchive {
public:
    // Stores into the stream; the archive never seeks and never closes the stream.
    explicit CArchive(std::ostream& out);
    // Loads from the stream, reading exactly the bytes of the values asked for.
    explicit CArchive(std::istream& in);
    // Flushes a storing archive that was not closed; errors are not reported here.
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    bool IsStoring() const { return m_bStoring; }
    bool IsLoading() const { return !m_bStoring; }

    // Raw bytes. Read returns how many bytes it got, fewer only at the end of the stream.
    void Write(const void* lpBuf, UINT nMax);
    UINT Read(void* lpBuf, UINT nMax);

    // Flush passes the stream's buffered bytes on. Close flushes and detaches the stream and
    // forgets the objects seen; any later use raises CArchiveException::generic.
    void Flush();
    void Close();

    // The schema of the object being loaded, for its Serialize; each call returns it once and
    // then (UINT)-1, as in the framework.
    UINT GetObjectSchema();
    void SetObjectSchema(UINT nSchema) { m_nObjectSchema = nSchema; }

    void WriteCount(DWORD dwCount);
    DWORD ReadCount();

    void WriteObject(const CObject* pOb);
    // The next object: a new one of the stored class (owned by the caller once returned), a
    // back-reference to one returned before, or null. A non-null pClassRefRequested refuses
    // objects of other classes with badClass. When a new object's Serialize throws, the object
    // is deleted before the exception leaves.
    CObject* ReadObject(const CRuntimeClass* pClassRefRequested);

    // The class part of the framing on its own: a new-class tag with the class record, or the
    // class's index when it has been written before.
    void WriteClass(const CRuntimeClass* pClassRef);
    // Reads a class tag. When an object tag comes instead, it goes to *pObTag and the result is
    // null (without pObTag that is a badIndex error). The class's schema goes to *pSchema, or
    // to the object schema when pSchema is null.
    const CRuntimeClass* ReadClass(const CRuntimeClass* pClassRefRequested = nullptr,
                                   UINT* pSchema = nullptr, DWORD* pObTag = nullptr);

    CArchive& operator<<(BYTE by);
    CArchive& operator<<(char ch);
    CArchive& operator<<(WORD w);
    CArchive& operator<<(std::int16_t n);
    CArchive& operator<<(DWORD dw);
    CArchive& operator<<(int n);
    CArchive& operator<<(std::int64_t n);
    CArchive& operator<<(std::uint64_t n);
    CArchive& operator<<(float f);
    CArchive& operator<<(double d);
    CArchive& operator<<(const CString& str);
    CArchive& operator<<(const char* psz);
    CArchive& operator<<(const CObject* pOb);
    // Ambiguous between the framework's one-byte bool and the four-byte BOOL: say which.
    CArchive& operator<<(bool) = delete;

    CArchive& operator>>(BYTE& by);
    CArchive& operator>>(char& ch);
    CArchive& operator>>(WORD& w);
    CArchive& operator>>(std::int16_t& n);
    CArchive& operator>>(DWORD& dw);
    CArchive& operator>>(int& n);
    CArchive& operator>>(std::int64_t& n);
    CArchive& operator>>(std::uint64_t& n);
    CArchive& operator>>(float& f);
    CArchive& operator>>(double& d);
    CArchive& operator>>(CString& str);
    CArchive& operator>>(CObject*& pOb);
    CArchive& operator>>(bool&) = delete;

    // Named in the exceptions raised, so that a host's message can say which file was bad.
    CString m_strFileName;

private:
    enum class EntryKind { null, classRecord, object, discarded };
    struct LoadEntry {
        EntryKind kind;
        const CRuntimeClass* pClass;
        CObject* pObject;
    };

    void CheckOpen() const;
    void CheckStoring() const;
    void CheckLoading() const;
    [[noreturn]] void Fail(int cause, const char* lpszDetail = nullptr) const;

    void WriteBytes(const void* lpBuf, std::size_t nCount);
    std::size_t ReadSome(void* lpBuf, std::size_t nCount);
    void ReadExact(void* lpBuf, std::size_t nCount);
    template <class U>
    void WriteUnsigned(U value);
    template <class U>
    U ReadUnsigned();

    void WriteStringLength(std::size_t nLength);
    std::uint64_t ReadStringLength(bool& bWide);
    std::string ReadNarrowChars(std::size_t nLength);
    std::string ReadWideChars(std::size_t nLength);

    void WriteIndexTag(DWORD nIndex, bool bClass);
    DWORD StoredIndex(const void* p) const;
    void MapStored(const void* p);
    void CheckCount() const;
    UINT LoadedSchema(const CRuntimeClass* pClass) const;
    void CheckStoredSchema(const CRuntimeClass* pClass, UINT nSchema);
    CObject* LoadedObject(DWORD obTag, const CRuntimeClass* pClassRefRequested) const;
    CObject* CreateAndLoad(const CRuntimeClass* pClass, UINT nSchema);

    bool m_bStoring;
    std::ostream* m_pOut = nullptr;
    std::istream* m_pIn = nullptr;
    UINT m_nObjectSchema = static_cast<UINT>(-1);
    // Next class or object index; 0 stands for the null pointer.
    DWORD m_nMapCount = 1;
    std::unordered_map<const void*, DWORD> m_storeMap;
    std::vector<LoadEntry> m_loadArray;
    // Stored schemas of versionable classes that differ from the class's own.
    std::unordered_map<const CRuntimeClass*, UINT> m_schemaMap;
};

} // namespace stochvar
