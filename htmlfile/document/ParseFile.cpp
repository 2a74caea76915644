// The parse driver: brings the document up to date with its file by
// streaming the file's text through the tag scanner as UTF-8.
#include <htmlfile/document/HtmlFile.h>
#include <htmlfile/text/FileNames.h>
#include <htmlfile/text/KvuuStdioFile.h>
#include <htmlfile/text/TextEncoding.h>
#include <htmlfile/platform/CaseFold.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

constexpr ULONGLONG kUnparsedMarker = ~0ULL;
constexpr UINT kReadChunk = 1024;
constexpr int kParseAttempts = 3;

// The UTF-8 form of one chunk of decoded text. Every wchar_t unit is
// encoded on its own, surrogates included (the lone ones that stand for
// undecodable bytes, and where wchar_t has 16 bits each half of a pair), so
// the scanner counts exactly one unit per unit read and positions agree with
// the file class's counts.
class ToUtf8Chunk {
public:
    void Encode(const wchar_t* pText, UINT nCount)
    {
        m_bytes.resize(static_cast<size_t>(nCount) * 6);
        char* out = m_bytes.data();
        for (UINT i = 0; i < nCount; ++i) {
            // Runs of ASCII, most of a topic, sixteen units at a time.
            const size_t nAscii =
                htmlfile_text::NarrowAscii(pText + i, nCount - i, reinterpret_cast<unsigned char*>(out));
            i += static_cast<UINT>(nAscii);
            out += nAscii;
            if (i == nCount) break;
            auto c = static_cast<std::uint32_t>(pText[i]);
            if (c < 0x800) {
                *out++ = static_cast<char>(0xC0 | (c >> 6));
                *out++ = static_cast<char>(0x80 | (c & 0x3F));
            } else if (c < 0x10000) {
                *out++ = static_cast<char>(0xE0 | (c >> 12));
                *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                *out++ = static_cast<char>(0x80 | (c & 0x3F));
            } else if (c < 0x200000) {
                *out++ = static_cast<char>(0xF0 | (c >> 18));
                *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
                *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                *out++ = static_cast<char>(0x80 | (c & 0x3F));
            } else {
                // Beyond Unicode: never produced by the file class; one unit anyway.
                *out++ = static_cast<char>(0xEF);
                *out++ = static_cast<char>(0xBF);
                *out++ = static_cast<char>(0xBD);
            }
        }
        m_nLength = static_cast<size_t>(out - m_bytes.data());
    }
    const char* Data() const noexcept { return m_bytes.data(); }
    size_t Length() const noexcept { return m_nLength; }

private:
    std::vector<char> m_bytes;
    size_t m_nLength = 0;
};

bool HasAttributeValue(const TagAttribute* pAttributes, const wchar_t* pszName)
{
    for (const TagAttribute* p = pAttributes; p; p = p->m_pNext)
        if (p->m_pszName && CompareFolded(p->m_pszName, pszName) == 0) return p->m_pszValue != nullptr;
    return false;
}

} // namespace

BOOL CHtmlFile::IsFileChanged()
{
    if (m_fileStatus.m_size == kUnparsedMarker) return FALSE;
    htmlfile_platform::FileIdentity now;
    if (htmlfile_platform::IdentityOfPath(m_strFileName, now) != 0) return FALSE;
    return !now.IsSameVersion(m_identity);
}

const wchar_t* CHtmlFile::GetEncoding() const noexcept
{
    return m_strEncodingRead.IsEmpty() ? nullptr : m_strEncodingRead.GetString();
}

const wchar_t* CHtmlFile::GetEncodingSource() const noexcept
{
    switch (static_cast<CkvuuStdioFile::Source>(m_nEncodingSource)) {
    case CkvuuStdioFile::Source::byteOrderMark: return L"byte-order mark";
    case CkvuuStdioFile::Source::given: return L"given";
    case CkvuuStdioFile::Source::declared: return L"declared";
    case CkvuuStdioFile::Source::validUtf8: return L"detected";
    case CkvuuStdioFile::Source::assumed: return L"assumed";
    }
    return nullptr;
}

BOOL CHtmlFile::Fail(const CString& strCause)
{
    m_strLastFailure = strCause;
    return FALSE;
}

bool CHtmlFile::Lock(const CFile& file, bool bExclusive)
{
    const int err = htmlfile_platform::LockFile(file, bExclusive, htmlfile_platform::kLockTimeoutMs);
    if (err == htmlfile_platform::kLockTimedOut) Fail(L"locked by another program");
    else if (err) Fail(L"cannot lock: " + htmlfile_platform::ErrorText(err));
    return err == 0;
}

int CHtmlFile::ParseFile()
{
    if (m_strFileName.IsEmpty() || m_nEncodingGiven == -2) return 0;
    if (m_bNoReparse) return 1;
    if (m_fileStatus.m_size != kUnparsedMarker && !IsFileChanged()) return 1;

    // A file written while it was read is read again: what was recorded
    // must be one version of it, or a save would splice two.
    for (int nAttempt = 0; nAttempt < kParseAttempts; ++nAttempt) {
        Clear();
        m_nEncodingFound = -1;
        switch (ParseOnce()) {
        case ParseOutcome::parsed: FinishParse(); return 1;
        case ParseOutcome::failed: return 0;
        case ParseOutcome::changedWhileRead: break;
        }
    }
    Clear();
    Fail(L"the file keeps changing while it is read");
    return 0;
}

CHtmlFile::ParseOutcome CHtmlFile::ParseOnce()
{
    using namespace htmlfile_platform;
    CFile handle;
    CFileException error;
    if (!handle.Open(m_strFileName, CFile::modeRead | CFile::shareDenyNone, &error)) {
        Fail(L"cannot open: " + error.GetErrorMessage());
        return ParseOutcome::failed;
    }
    // A save by another document holds an exclusive lock while it writes;
    // the parse waits for it rather than read half of its text.
    if (!Lock(handle, false)) return ParseOutcome::failed;
    FileIdentity before;
    if (int err = IdentityOfFile(handle, before)) {
        Fail(L"cannot examine: " + ErrorText(err));
        return ParseOutcome::failed;
    }
    // Positions are 32-bit and a file has at least one unit per byte in
    // every encoding read as bytes; a larger file is refused whole.
    if (before.nSize > static_cast<unsigned long long>(INT_MAX)) {
        CString strCause;
        strCause.Format(L"too large: %llu bytes, more than the 2,147,483,647 a topic may have", before.nSize);
        Fail(strCause);
        return ParseOutcome::failed;
    }

    std::unique_ptr<CkvuuStdioFile> pFile;
    try {
        pFile = m_nEncodingGiven >= 0
                    ? std::make_unique<CkvuuStdioFile>(handle, static_cast<CkvuuStdioFile::Encoding>(m_nEncodingGiven))
                    : std::make_unique<CkvuuStdioFile>(handle);
        Init();
        FeedFile(*pFile);
    } catch (const CFileException& e) {
        Fail(L"cannot read: " + e.GetErrorMessage());
        return ParseOutcome::failed;
    }

    FileIdentity after, atPath;
    if (IdentityOfFile(handle, after) != 0 || IdentityOfPath(m_strFileName, atPath) != 0 ||
        !after.IsSameVersion(before) || !atPath.IsSameVersion(before))
        return ParseOutcome::changedWhileRead;

    m_identity = before;
    m_fileStatus.m_size = before.nSize;
    m_fileStatus.m_mtime = before.nModifiedNs / 1000000000LL;
    m_fileStatus.m_ctime = before.nChangedNs / 1000000000LL;
    m_fileStatus.m_attribute = before.IsReadOnly() ? CFile::readOnly : CFile::normal;
    m_fileStatus.m_szFullName = m_strFileName;
    m_nEncodingFound = pFile->HasByteOrderMark() ? -1 : static_cast<int>(pFile->GetEncoding());
    m_strEncodingRead = Utf8ToWide(htmlfile_text::EncodingName(pFile->GetEncoding()));
    m_nEncodingSource = static_cast<int>(pFile->GetEncodingSource());
    return ParseOutcome::parsed;
}

void CHtmlFile::FinishParse()
{
    m_strLastFailure.Empty();
    MakeBgImageAbsolute();
    if (m_pTemplateTags) {
        for (POSITION pos = m_pTemplateTags->GetHeadPosition(); pos;)
            m_pTemplateTags->GetNext(pos)->SetHtmlFile(this);
    }
    if (m_dwFlags & SAVE_CHANGED_ONLY) TakeFingerprints();
}

void CHtmlFile::FeedFile(CkvuuStdioFile& file)
{
    wchar_t buffer[kReadChunk];
    ToUtf8Chunk chunk;
    for (;;) {
        // Well-formed UTF-8 is fed as it lies in the file's buffer: decoding
        // and encoding it again would give back the same bytes.
        const char* pBytes = nullptr;
        size_t nBytes = 0;
        UINT nRead = 0;
        if (!file.ReadUtf8InPlace(kReadChunk, &pBytes, &nBytes, &nRead)) {
            nRead = file.Read(buffer, kReadChunk, nullptr);
            chunk.Encode(buffer, nRead);
            pBytes = chunk.Data();
            nBytes = chunk.Length();
        }
        if (nRead == 0) break;
        m_pScanner->Feed(pBytes, nBytes);
        // Positions are 32-bit: a file too long for them is refused rather
        // than saved with cut positions.
        if (m_pScanner->Position() >= INT_MAX) {
            Clear();
            throw CFileException(CFileException::invalidFile, -1, m_strFileName);
        }
    }
}

// A valueless `background` reads as its own name; it names no file and is
// left alone rather than turned into a path.
bool CHtmlFile::BgImageIsAPath() const
{
    return m_pBodyTag && HasAttributeValue(m_pBodyTag->m_pAttributes, L"background");
}

void CHtmlFile::MakeBgImageAbsolute()
{
    if (!(m_dwFlags & PARSE_BODY) || !m_pBodyTag || m_bTempFile) return;
    const wchar_t* pszImage = m_pBodyTag->GetAttribute(L"background");
    if (!pszImage || !BgImageIsAPath()) return;
    CString strAbsolute(pszImage);
    AbsoluteFileNameFromFileName(m_strFileName, CString(pszImage), &strAbsolute);
    m_pBodyTag->SetAttribute(L"background", strAbsolute);
}
