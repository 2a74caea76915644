// Saving: the old file is copied into a new one, text outside the recorded
// elements unit for unit, each recorded element written anew by its own
// writer. The old file is locked and checked to be the version parsed
// before anything is copied from it; the new text then takes its place
// (see ReplaceWithNewText) and the document reads it.
#include <htmlfile/document/Fingerprint.h>
#include <htmlfile/document/HtmlFile.h>
#include <htmlfile/document/SavePlan.h>
#include <htmlfile/text/FileNames.h>
#include <htmlfile/text/KvuuStdioFile.h>
#include <htmlfile/platform/Prompt.h>
#include <htmlfile/resources/Resources.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

using namespace htmlfile_platform;

namespace {

constexpr ULONGLONG kUnparsedMarker = ~0ULL;
constexpr UINT kCopyChunk = 16384;
// How often a save re-opens a file that is replaced under it, or asks again
// about a file that keeps being changed, before it gives up.
constexpr int kOpenAttempts = 3;
constexpr int kAskRounds = 5;

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

void WriteLineEnd(CkvuuStdioFile* pDest)
{
    pDest->Write(L"\r\n", 2);
}

bool IsLineEnd(wchar_t c)
{
    return c == L'\r' || c == L'\n';
}

// Writes a kept element in place of its old text and moves the old file's
// read position past that text (nConsumed: units of the old file consumed).
// An element whose writer ends with a line end leaves it out where the old
// text after it begins with one, so that the file does not grow by a line
// end at every save; to know, the unit after the span is read. It is
// returned, for the walk to write where it belongs.
std::optional<wchar_t> WriteInPlace(CHTMLObject& element, CkvuuStdioFile* pDest, CkvuuStdioFile* pSource,
                                    long long& nConsumed)
{
    pSource->Seek(element.m_nEnd, CFile::begin);
    nConsumed = element.m_nEnd;
    wchar_t next = 0;
    if (!element.EndsWithLineEnd() || pSource->Read(&next, 1, nullptr) != 1) {
        element.Generate(pDest);
        return std::nullopt;
    }
    if (IsLineEnd(next)) element.GenerateBeforeLineEnd(pDest);
    else element.Generate(pDest);
    ++nConsumed;
    return next;
}

} // namespace

BOOL CHtmlFile::FileCopy(CkvuuStdioFile* pDest, CkvuuStdioFile* pSource, DWORD dwCount, BOOL bToEnd)
{
    // The new file has the old one's encoding: the old text goes across as
    // its very bytes, counted in units but never decoded and encoded again,
    // so whatever it holds comes out the same.
    std::string bytes;
    auto copy = [&](UINT nAsk) -> UINT {
        bytes.clear();
        const UINT nRead = pSource->ReadRaw(nAsk, bytes);
        pDest->WriteRaw(bytes.data(), bytes.size());
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
    // One sink serves every element the plan asks about.
    htmlfile_detail::WriterFingerprint fingerprint;
    htmlfile_detail::UnchangedTest isUnchanged;
    if (m_dwFlags & SAVE_CHANGED_ONLY)
        isUnchanged = [&fingerprint](CHTMLObject* pElement) { return fingerprint.IsAsParsed(*pElement); };
    htmlfile_detail::SavePlan plan = htmlfile_detail::BuildSavePlan(m_listObjects, isUnchanged);

    // One forward pass over the old file: copy up to each kept element,
    // write what goes before it, write it, skip its old text. An element
    // left as it was read is copied with the text after it.
    // A unit read ahead after a rewritten element (pending) is the old
    // text's unit at nConsumed: it is written where that unit stands, that
    // is before the gap it begins, or after what was inserted before the
    // element it begins; an element written anew replaces it.
    long long nConsumed = 0;
    std::optional<wchar_t> pending;
    auto writePending = [&] {
        if (pending) pDest->Write(&*pending, 1);
        pending.reset();
    };
    for (const htmlfile_detail::SaveStep& step : plan.vecSteps) {
        CHTMLObject* pElement = step.pElement;
        const long long nBegin = pElement->m_nBegin;
        if (nBegin > nConsumed) writePending();
        if (nBegin - 1 > nConsumed) FileCopy(pDest, pSource, static_cast<DWORD>(nBegin - 1 - nConsumed), FALSE);
        for (CHTMLObject* pInserted : step.vecInserted) {
            pInserted->Generate(pDest);
            WriteLineEnd(pDest);
        }
        if (!step.bWrite) {
            writePending();
            nConsumed = std::max(nConsumed, nBegin - 1);
            continue;
        }
        pending = WriteInPlace(*pElement, pDest, pSource, nConsumed);
    }
    writePending();
    FileCopy(pDest, pSource, 0, TRUE);
    for (CHTMLObject* pInserted : plan.vecAtEnd) {
        pInserted->Generate(pDest);
        WriteLineEnd(pDest);
    }
    return TRUE;
}

BOOL CHtmlFile::IsUnchangedSinceParse(CHTMLObject* pElement) const
{
    return pElement && htmlfile_detail::WriterFingerprint().IsAsParsed(*pElement);
}

BOOL CHtmlFile::UpdateRelativePaths(const wchar_t* pszPath)
{
    CString strPath(pszPath);
    BOOL bChanged = FALSE;
    const wchar_t* pszImage = GetBgImage();
    if (pszImage && BgImageIsAPath()) {
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
    // Only what was changed is put back: setting a path that stands gives
    // a valueless attribute a value.
    ~BackgroundPathsGuard()
    {
        if (m_bCommitted) return;
        const wchar_t* pszImage = m_doc.GetBgImage();
        if (m_bHasImage && (!pszImage || m_strImage != pszImage)) m_doc.SetBgImage(m_strImage);
        int nLoop = 1;
        const wchar_t* pszSound = m_doc.GetBgSound(&nLoop);
        if (m_bHasSound && (!pszSound || m_strSound != pszSound || nLoop != m_nLoop))
            m_doc.SetBgSound(m_strSound, m_nLoop);
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

// Most elements are fingerprinted as the parse completes them, while their
// text is still at hand (FingerprintRecorded). The body tag and the sound
// wait for the end: their paths are made relative to the file, as a save
// makes them, and put back afterwards.
void CHtmlFile::TakeFingerprints()
{
    FlagScope noReparse(m_bNoReparse);
    BackgroundPathsGuard paths(*this);
    UpdateRelativePaths(m_strFileName);
    if (m_pBodyTag) FingerprintRecorded(m_pBodyTag);
    if (m_pBgSound && m_bBgSoundListed) FingerprintRecorded(m_pBgSound);
}

void CHtmlFile::FingerprintRecorded(CHTMLObject* pElement)
{
    if (!(m_dwFlags & SAVE_CHANGED_ONLY) || !htmlfile_detail::CanStayAsRead(pElement)) return;
    if (!m_pFingerprint) m_pFingerprint = std::make_unique<htmlfile_detail::WriterFingerprint>();
    pElement->m_nParsedFingerprint = m_pFingerprint->Of(*pElement);
    pElement->m_bFingerprinted = TRUE;
}

bool CHtmlFile::OpenLocked(const wchar_t* pszPath, CFile& file, FileIdentity& identity)
{
    for (int nAttempt = 0; nAttempt < kOpenAttempts; ++nAttempt) {
        // With write access when the user has it: a file that can't be
        // replaced by a new one is overwritten through this handle. The
        // lock, not the share mode, keeps other documents out: other
        // programs may go on reading the topic while it is saved.
        CFileException error;
        if (!file.Open(pszPath, CFile::modeReadWrite | CFile::shareDenyNone, &error)) {
            // A program that holds the file open and shares no writing
            // (Windows) would make the replacement fail: it is named, never
            // worked around.
            if (error.m_cause == CFileException::sharingViolation) {
                Fail(L"cannot save " + CString(pszPath) + L": another program has the file open (sharing violation)");
                return false;
            }
            if (!file.Open(pszPath, CFile::modeRead | CFile::shareDenyNone, &error)) {
                Fail(L"cannot open " + CString(pszPath) + L": " + error.GetErrorMessage());
                return false;
            }
        }
        if (!Lock(file, true)) return false;
        if (int err = IdentityOfFile(file, identity)) {
            Fail(L"cannot examine: " + ErrorText(err));
            return false;
        }
        // While the lock was awaited, the path may have come to name another
        // file (a save that renamed its new text into place): lock that one.
        FileIdentity atPath;
        if (IdentityOfPath(pszPath, atPath) == 0 && atPath.IsSameFile(identity)) return true;
        file.Close();
    }
    Fail(L"the file keeps being replaced while it is saved");
    return false;
}

bool CHtmlFile::AskToSaveOverChange()
{
    CString strQuestion;
    strQuestion.LoadString(IDS_FILE_CHANGED_ON_DISK);
    CString strText;
    strText.Format(strQuestion, m_strFileName.GetString());
    return AfxMessageBox(strText, MB_YESNO | MB_ICONEXCLAMATION, 0) == IDYES;
}

bool CHtmlFile::LockParsedVersion(CFile& locked, FileIdentity& identity, bool bAsk)
{
    if (m_fileStatus.m_size == kUnparsedMarker && !ParseFile()) return false;
    for (int nRound = 0; nRound < kAskRounds; ++nRound) {
        if (!OpenLocked(m_strFileName, locked, identity)) return false;
        if (identity.IsSameVersion(m_identity)) return true;
        // Not while the file is locked: the answer may take long.
        locked.Close();
        if (!bAsk || !AskToSaveOverChange()) {
            Fail(L"changed on disk since it was read");
            return false;
        }
        // Yes: save against the file as it is now. The document reads it
        // first, so that its positions fit the text that will be copied.
        m_fileStatus.m_size = kUnparsedMarker;
        if (!ParseFile()) return false;
    }
    Fail(L"the file keeps changing while it is saved");
    return false;
}

bool CHtmlFile::WriteNewText(const CFile& locked, const CString& strTarget, const CString& strWrittenAs,
                             unsigned int nMode, CString& strNewText)
{
    int nError = 0;
    const CString strFolder = FolderOf(strTarget);
    strNewText = CreateUniqueFile(strFolder, L"QL", nMode, &nError);
    if (strNewText.IsEmpty()) {
        Fail(L"cannot create a temporary file in " + strFolder + L": " + ErrorText(nError));
        return false;
    }
    FileRemover removeNewText(strNewText);
    try {
        UpdateRelativePaths(strWrittenAs);
        // The file the document found to be of this version: its encoding
        // is known, and the new file takes it over with its byte-order mark.
        std::unique_ptr<CkvuuStdioFile> pSource =
            m_nEncodingFound < 0
                ? std::make_unique<CkvuuStdioFile>(locked)
                : std::make_unique<CkvuuStdioFile>(locked, static_cast<CkvuuStdioFile::Encoding>(m_nEncodingFound));
        CkvuuStdioFile dest(strNewText, CFile::modeCreate | CFile::modeWrite);
        dest.TakeEncodingFrom(*pSource);
        DoSaveFile(&dest, pSource.get());
        dest.Flush();
        dest.Close();
        pSource->Close();
    } catch (const CFileException& e) {
        Fail(e.GetErrorMessage());
        throw;
    }
    removeNewText.Release();
    return true;
}

BOOL CHtmlFile::WriteAndReplace(const CFile& locked, const CString& strTarget, const CString& strWrittenAs,
                                unsigned int nMode, ReplaceResult& result, const NewTextPlacer& place)
{
    // A placeholder asks for the title while it is written, and every
    // getter would read the file again if another program touched it: the
    // document stays as it is until the new text is in place.
    FlagScope noReparse(m_bNoReparse);
    BackgroundPathsGuard paths(*this);
    CString strNewText;
    if (!WriteNewText(locked, strTarget, strWrittenAs, nMode, strNewText)) return FALSE;
    FileRemover removeNewText(strNewText);
    result = place(strNewText);
    if (result.bNewTextMoved || result.bKeepNewText) removeNewText.Release();
    if (!result.bReplaced) return Fail(result.strFailure);
    paths.Commit();
    return TRUE;
}

BOOL CHtmlFile::FinishSave(const ReplaceResult& result)
{
    m_fileStatus.m_size = kUnparsedMarker;
    if (ParseFile() && !result.strWarning.IsEmpty()) m_strLastFailure = L"saved, but " + result.strWarning;
    return TRUE;
}

BOOL CHtmlFile::SaveFile()
{
    m_strLastFailure.Empty();
    if (!NamesFolder(m_strFileName)) return Fail(L"the path names no folder to save in");
    CFile locked;
    FileIdentity identity;
    if (!LockParsedVersion(locked, identity, true)) return FALSE;
    if (identity.IsReadOnly()) return Fail(L"read-only");

    // Through a symbolic link, the file it names is saved, in its folder;
    // the link stays as it is.
    const CString strTarget = ResolvedPath(m_strFileName);
    ReplaceResult result;
    if (!WriteAndReplace(locked, strTarget, m_strFileName, kPrivateFile, result,
                         [&](const CString& strNewText) {
                             return ReplaceWithNewText(locked, identity, strTarget, strNewText);
                         }))
        return FALSE;
    locked.Close();
    return FinishSave(result);
}

BOOL CHtmlFile::SaveFileAs(const wchar_t* pszNewPath)
{
    m_strLastFailure.Empty();
    CString strNewPath(pszNewPath);
    if (strNewPath.IsEmpty()) return Fail(L"no file name given");
    CFile locked;
    FileIdentity identity;
    if (!LockParsedVersion(locked, identity, false)) return FALSE;

    FileIdentity existing;
    const bool bExists = IdentityOfPath(strNewPath, existing) == 0;
    if (bExists && existing.IsSameFile(identity)) {
        locked.Close();
        return SaveFile();
    }
    const CString strTarget = ResolvedPath(strNewPath);
    CFile lockedTarget;
    FileIdentity targetIdentity;
    if (bExists) {
        if (!OpenLocked(strNewPath, lockedTarget, targetIdentity)) return FALSE;
        if (targetIdentity.IsReadOnly()) return Fail(strNewPath + L" is read-only");
    }
    ReplaceResult result;
    if (!WriteAndReplace(locked, strTarget, strNewPath, bExists ? kPrivateFile : kNewFile, result,
                         [&](const CString& strNewText) {
                             return bExists ? ReplaceWithNewText(lockedTarget, targetIdentity, strTarget, strNewText)
                                            : MoveNewFileInto(strNewText, strTarget);
                         }))
        return FALSE;
    lockedTarget.Close();
    locked.Close();
    m_strFileName = strNewPath;
    FinishSave(result);
    m_bTempFile = FALSE;
    return TRUE;
}
