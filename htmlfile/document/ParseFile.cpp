// The parse driver: brings the document up to date with its file by
// streaming the file's text through the tag scanner as UTF-8.
#include <htmlfile/document/HtmlFile.h>
#include <htmlfile/outside/FileNames.h>
#include <htmlfile/outside/KvuuStdioFile.h>
#include <htmlfile/outside/TextEncoding.h>
#include <htmlfile/platform/CaseFold.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

constexpr ULONGLONG kUnparsedMarker = ~0ULL;
constexpr UINT kReadChunk = 1024;

// The UTF-8 form of one chunk of decoded text. Every wchar_t value is
// encoded, including lone surrogates and values past U+10FFFF that the file
// class uses for undecodable bytes, so the scanner counts exactly one unit
// per character read and positions agree with the file class's counts.
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
                // Never produced by the file class; encoded as one unit anyway.
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
    CFileStatus now;
    if (!CFile::GetStatus(m_strFileName, now)) return FALSE;
    return now.m_mtime != m_fileStatus.m_mtime;
}

int CHtmlFile::ParseFile()
{
    if (m_strFileName.IsEmpty()) return 0;
    if (m_bNoReparse) return 1;
    if (m_fileStatus.m_size != kUnparsedMarker && !IsFileChanged()) return 1;

    Clear();
    m_nEncodingFound = -1;
    std::unique_ptr<CkvuuStdioFile> pFile;
    try {
        pFile = std::make_unique<CkvuuStdioFile>(m_strFileName, CFile::modeRead | CFile::shareDenyNone);
    } catch (const CFileException&) {
        return 0;
    }

    try {
        Init();
        FeedFile(*pFile);
    } catch (const CFileException&) {
        return 0;
    }

    CFile::GetStatus(m_strFileName, m_fileStatus);
    m_nEncodingFound = pFile->HasByteOrderMark() ? -1 : static_cast<int>(pFile->GetEncoding());
    pFile.reset();

    MakeBgImageAbsolute();
    if (m_pTemplateTags) {
        for (POSITION pos = m_pTemplateTags->GetHeadPosition(); pos;)
            m_pTemplateTags->GetNext(pos)->SetHtmlFile(this);
    }
    return 1;
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

void CHtmlFile::MakeBgImageAbsolute()
{
    if (!(m_dwFlags & PARSE_BODY) || !m_pBodyTag || m_bTempFile) return;
    const wchar_t* pszImage = m_pBodyTag->GetAttribute(L"background");
    // A valueless `background` reads as its own name; it names no file and
    // is left alone rather than turned into a path.
    if (!pszImage || !HasAttributeValue(m_pBodyTag->m_pAttributes, L"background")) return;
    CString strAbsolute(pszImage);
    AbsoluteFileNameFromFileName(m_strFileName, CString(pszImage), &strAbsolute);
    m_pBodyTag->SetAttribute(L"background", strAbsolute);
}
