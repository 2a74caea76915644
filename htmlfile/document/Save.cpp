// Saving: the old file is copied into a new one, text outside the recorded
// elements unit for unit, each recorded element written anew by its own
// writer, and the document then reads the file it saved.
#include <htmlfile/document/HtmlFile.h>
#include <htmlfile/document/SavePlan.h>
#include <htmlfile/outside/FileNames.h>
#include <htmlfile/outside/KvuuStdioFile.h>
#include <htmlfile/platform/Prompt.h>
#include <htmlfile/platform/TempFile.h>
#include <htmlfile/resources/Resources.h>

#include <memory>
#include <optional>
#include <sys/stat.h>

namespace {

constexpr ULONGLONG kUnparsedMarker = ~0ULL;
constexpr UINT kCopyChunk = 1024;

// Sets a flag for the lifetime of a scope.
class FlagScope {
public:
    explicit FlagScope(BOOL& flag) : m_flag(flag), m_old(flag) { m_flag = TRUE; }
    ~FlagScope() { m_flag = m_old; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    BOOL& m_flag;
    BOOL m_old;
};

// Removes a file when the scope ends, unless released.
class FileRemover {
public:
    explicit FileRemover(CString path) : m_path(std::move(path)) {}
    ~FileRemover()
    {
        if (m_path.IsEmpty()) return;
        try {
            CFile::Remove(m_path);
        } catch (const CFileException&) {
        }
    }
    FileRemover(const FileRemover&) = delete;
    FileRemover& operator=(const FileRemover&) = delete;
    void Release() { m_path.Empty(); }

private:
    CString m_path;
};

// The two files of a save. The old file is opened first, so that a missing
// source creates nothing at the destination; the new file takes over its
// encoding and byte-order mark, so unchanged text keeps its bytes.
struct SaveFiles {
    std::unique_ptr<CkvuuStdioFile> pSource;
    std::unique_ptr<CkvuuStdioFile> pDest;

    // nEncodingFound: the source's encoding as the document found it, or -1
    // to find it again.
    bool Open(const CString& strSource, const CString& strDest, int nEncodingFound)
    {
        constexpr UINT kRead = CFile::modeRead | CFile::shareDenyNone;
        try {
            pSource = nEncodingFound < 0 ? std::make_unique<CkvuuStdioFile>(strSource, kRead)
                                         : std::make_unique<CkvuuStdioFile>(
                                               strSource, kRead, static_cast<CkvuuStdioFile::Encoding>(nEncodingFound));
            pDest = std::make_unique<CkvuuStdioFile>(strDest, CFile::modeCreate | CFile::modeWrite);
        } catch (const CFileException&) {
            return false;
        }
        pDest->TakeEncodingFrom(*pSource);
        return true;
    }
    void Close()
    {
        pDest->Close();
        pSource->Close();
    }
};

// The folder part of a path (before its last '/' or '\'); nothing when the
// path has none.
std::optional<CString> FolderOf(const CString& strPath)
{
    int nSlash = std::max(strPath.ReverseFind(L'/'), strPath.ReverseFind(L'\\'));
    if (nSlash < 0) return std::nullopt;
    return nSlash == 0 ? CString(L"/") : strPath.Left(nSlash);
}

bool IsSameFile(const CString& a, const CString& b)
{
    if (a == b) return true;
    struct stat sa, sb;
    return ::stat(WideToUtf8(a).c_str(), &sa) == 0 && ::stat(WideToUtf8(b).c_str(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void KeepPermissions(const CString& strOld, const CString& strNew)
{
    struct stat st;
    if (::stat(WideToUtf8(strOld).c_str(), &st) == 0) ::chmod(WideToUtf8(strNew).c_str(), st.st_mode & 07777);
}

void WriteLineEnd(CkvuuStdioFile* pDest)
{
    pDest->Write(L"\r\n", 2);
}

} // namespace

// The file is as the document read it when its modification time has not
// changed since; otherwise its encoding is found anew.
int CHtmlFile::EncodingFoundIfUnchanged()
{
    return m_nEncodingFound >= 0 && !IsFileChanged() ? m_nEncodingFound : -1;
}

BOOL CHtmlFile::FileCopy(CkvuuStdioFile* pDest, CkvuuStdioFile* pSource, DWORD dwCount, BOOL bToEnd)
{
    wchar_t buffer[kCopyChunk];
    // One read and one write of up to nAsk units. From UTF-8 to UTF-8 the
    // bytes go across as they are: decoding and encoding them again would
    // give the same bytes.
    auto copy = [&](UINT nAsk) -> UINT {
        const char* pBytes = nullptr;
        size_t nBytes = 0;
        UINT nRead = 0;
        if (pDest->GetEncoding() == CkvuuStdioFile::encodingUtf8 &&
            pSource->ReadUtf8InPlace(nAsk, &pBytes, &nBytes, &nRead)) {
            pDest->WriteUtf8(pBytes, nBytes);
            return nRead;
        }
        nRead = pSource->Read(buffer, nAsk, nullptr);
        pDest->Write(buffer, nRead);
        return nRead;
    };
    if (bToEnd) {
        while (copy(kCopyChunk) == kCopyChunk) {
        }
        return TRUE;
    }
    while (dwCount > 0) {
        UINT nAsk = dwCount < kCopyChunk ? static_cast<UINT>(dwCount) : kCopyChunk;
        if (copy(nAsk) < nAsk) return FALSE;
        dwCount -= nAsk;
    }
    return TRUE;
}

BOOL CHtmlFile::DoSaveFile(CkvuuStdioFile* pDest, CkvuuStdioFile* pSource)
{
    // A placeholder asks for the title while it is written: the document
    // must not be re-read in the middle of the walk.
    FlagScope noReparse(m_bNoReparse);
    htmlfile_detail::SavePlan plan = htmlfile_detail::BuildSavePlan(m_listObjects);

    // One forward pass over the old file: copy up to each kept element,
    // write what goes before it, write it, skip its old text.
    long long nConsumed = 0;
    for (const htmlfile_detail::SaveStep& step : plan.vecSteps) {
        CHTMLObject* pElement = step.pElement;
        long long nGap = static_cast<long long>(pElement->m_nBegin) - 1 - nConsumed;
        if (nGap > 0) FileCopy(pDest, pSource, static_cast<DWORD>(nGap), FALSE);
        for (CHTMLObject* pInserted : step.vecInserted) {
            pInserted->Generate(pDest);
            WriteLineEnd(pDest);
        }
        pElement->Generate(pDest);
        pSource->Seek(pElement->m_nEnd, CFile::begin);
        nConsumed = pElement->m_nEnd;
    }
    FileCopy(pDest, pSource, 0, TRUE);
    for (CHTMLObject* pInserted : plan.vecAtEnd) {
        pInserted->Generate(pDest);
        WriteLineEnd(pDest);
    }
    return TRUE;
}

BOOL CHtmlFile::UpdateRelativePaths(const wchar_t* pszPath)
{
    CString strPath(pszPath);
    BOOL bChanged = FALSE;
    if (const wchar_t* pszImage = GetBgImage()) {
        CString strRelative;
        if (RelativeFileNameFromFileName(strPath, CString(pszImage), &strRelative, 1, 1, 0))
            bChanged = SetBgImage(strRelative) || bChanged;
    }
    int nLoop = 1;
    if (const wchar_t* pszSound = GetBgSound(&nLoop)) {
        CString strRelative;
        if (RelativeFileNameFromFileName(strPath, CString(pszSound), &strRelative, 1, 1, 0))
            bChanged = SetBgSound(strRelative, nLoop) || bChanged;
    }
    return bChanged;
}

namespace {

// Remembers the background image and sound paths before a save makes them
// relative, and puts them back unless the save succeeded, so that a failed
// save leaves the document as it was.
class BackgroundPathsGuard {
public:
    explicit BackgroundPathsGuard(CHtmlFile& doc) : m_doc(doc)
    {
        if (const wchar_t* psz = doc.GetBgImage()) m_strImage = psz, m_bHasImage = true;
        if (const wchar_t* psz = doc.GetBgSound(&m_nLoop)) m_strSound = psz, m_bHasSound = true;
    }
    ~BackgroundPathsGuard()
    {
        if (m_bCommitted) return;
        if (m_bHasImage) m_doc.SetBgImage(m_strImage);
        if (m_bHasSound) m_doc.SetBgSound(m_strSound, m_nLoop);
    }
    BackgroundPathsGuard(const BackgroundPathsGuard&) = delete;
    BackgroundPathsGuard& operator=(const BackgroundPathsGuard&) = delete;
    void Commit() { m_bCommitted = true; }

private:
    CHtmlFile& m_doc;
    CString m_strImage;
    CString m_strSound;
    int m_nLoop = 1;
    bool m_bHasImage = false;
    bool m_bHasSound = false;
    bool m_bCommitted = false;
};

} // namespace

BOOL CHtmlFile::SaveFile()
{
    if (IsFileChanged()) {
        CString strQuestion;
        strQuestion.LoadString(IDS_FILE_CHANGED_ON_DISK);
        CString strText;
        strText.Format(strQuestion, m_strFileName.GetString());
        if (AfxMessageBox(strText, MB_YESNO | MB_ICONEXCLAMATION, 0) != IDYES) return FALSE;
        // Yes: save against the file as it is now. The document is first
        // brought up to date with it so that its positions fit.
        m_fileStatus.m_size = kUnparsedMarker;
        ParseFile();
    }

    std::optional<CString> strFolder = FolderOf(m_strFileName);
    if (!strFolder) return FALSE;
    wchar_t szTempFile[MAX_PATH];
    if (GetTempFileNameW(*strFolder, L"QL", 0, szTempFile) == 0) return FALSE;
    CString strTempFile(szTempFile);
    FileRemover removeTemp(strTempFile);

    BackgroundPathsGuard paths(*this);
    UpdateRelativePaths(m_strFileName);

    BOOL bResult = FALSE;
    {
        SaveFiles files;
        if (!files.Open(m_strFileName, strTempFile, EncodingFoundIfUnchanged())) return FALSE;
        bResult = DoSaveFile(files.pDest.get(), files.pSource.get());
        files.pDest->Flush();
        files.Close();
    }

    paths.Commit();
    if (bResult) {
        // Replace the old file in one atomic step: at any moment the path
        // holds either the whole old file or the whole new one.
        KeepPermissions(m_strFileName, strTempFile);
        try {
            CFile::Rename(strTempFile, m_strFileName);
            removeTemp.Release();
        } catch (const CFileException&) {
            // The old file stays; the document reads it again below.
        }
        m_fileStatus.m_size = kUnparsedMarker;
        ParseFile();
    }
    return bResult;
}

BOOL CHtmlFile::SaveFileAs(const wchar_t* pszNewPath)
{
    CString strNewPath(pszNewPath);
    if (strNewPath.IsEmpty()) return FALSE;
    if (IsSameFile(strNewPath, m_strFileName)) return SaveFile();

    BackgroundPathsGuard paths(*this);
    UpdateRelativePaths(strNewPath);

    BOOL bResult = FALSE;
    {
        SaveFiles files;
        if (!files.Open(m_strFileName, strNewPath, EncodingFoundIfUnchanged())) return FALSE;
        FileRemover removeNew(strNewPath);
        bResult = DoSaveFile(files.pDest.get(), files.pSource.get());
        files.Close();
        removeNew.Release();
    }

    paths.Commit();
    if (bResult) {
        m_strFileName = strNewPath;
        m_fileStatus.m_size = kUnparsedMarker;
        ParseFile();
        m_bTempFile = FALSE;
    }
    return bResult;
}
