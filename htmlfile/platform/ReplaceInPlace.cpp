#include <htmlfile/platform/ReplaceInPlace.h>

#include <vector>

namespace htmlfile_platform::detail {
namespace {

using htmlfile_testing::SaveStep;
using htmlfile_testing::StepFails;

int ErrorOf(const CFileException& e)
{
    return e.m_lOsError > 0 ? static_cast<int>(e.m_lOsError) : kIoError;
}

// Makes `to` hold exactly the bytes of `from`, on disk. 0 or the error number.
int OverwriteWith(CFile& from, CFile& to, SaveStep step)
{
    if (StepFails(step)) return kIoError;
    try {
        std::vector<char> buffer(64 * 1024);
        const UINT nChunk = static_cast<UINT>(buffer.size());
        from.SeekToBegin();
        to.SeekToBegin();
        ULONGLONG nCopied = 0;
        for (UINT nRead = nChunk; nRead == nChunk;) {
            nRead = from.Read(buffer.data(), nChunk);
            to.Write(buffer.data(), nRead);
            nCopied += nRead;
        }
        to.SetLength(nCopied);
        to.Flush();
    } catch (const CFileException& e) {
        return ErrorOf(e);
    }
    return 0;
}

int OpenOrError(CFile& file, const wchar_t* pszPath, UINT nFlags)
{
    CFileException error;
    return file.Open(pszPath, nFlags, &error) ? 0 : ErrorOf(error);
}

void RemoveQuietly(const wchar_t* pszPath) noexcept
{
    try {
        CFile::Remove(pszPath);
    } catch (const CFileException&) {
    }
}

} // namespace

CString Describe(const wchar_t* pszWhat, const wchar_t* pszPath, int nError)
{
    CString text(pszWhat);
    text += L" ";
    text += pszPath;
    text += L": ";
    text += ErrorText(nError);
    return text;
}

void AddWarning(CString& strWarning, const CString& strMore)
{
    if (!strWarning.IsEmpty()) strWarning += L"; ";
    strWarning += strMore;
}

void FlushFolderOf(const wchar_t* pszTarget, CString& strWarning)
{
    const CString strFolder = FolderOf(pszTarget);
    if (int err = FlushFolder(strFolder))
        AddWarning(strWarning, Describe(L"the folder could not be flushed to disk:", strFolder, err));
}

ReplaceResult MoveOutcome(int nError, const wchar_t* pszFailure, const wchar_t* pszTarget)
{
    ReplaceResult result;
    if (nError) {
        result.strFailure = Describe(pszFailure, pszTarget, nError);
        return result;
    }
    result.bReplaced = result.bNewTextMoved = true;
    FlushFolderOf(pszTarget, result.strWarning);
    return result;
}

CString CreateBackupBeside(const wchar_t* pszTarget, ReplaceResult& result)
{
    int nError = 0;
    const CString strFolder = FolderOf(pszTarget);
    CString strBackup = CreateUniqueFile(strFolder, L"QL", kPrivateFile, &nError);
    if (strBackup.IsEmpty()) result.strFailure = Describe(L"cannot create a backup file in", strFolder, nError);
    return strBackup;
}

ReplaceResult ReplaceInPlace(CFile& target, const FileIdentity& identity, const wchar_t* pszTarget,
                             const wchar_t* pszNewText, const wchar_t* pszWhy)
{
    ReplaceResult result;
    if (!target.IsWritable()) {
        result.strFailure = CString(L"cannot save in place (") + pszWhy + L"): this user may not write " + pszTarget;
        return result;
    }
    CFile newText;
    if (int err = OpenOrError(newText, pszNewText, CFile::modeRead | CFile::shareDenyNone)) {
        result.strFailure = Describe(L"cannot read the new text", pszNewText, err);
        return result;
    }
    const CString strBackup = CreateBackupBeside(pszTarget, result);
    if (strBackup.IsEmpty()) return result;
    int nError = 0;
    {
        CFile backup;
        nError = OpenOrError(backup, strBackup, CFile::modeWrite | CFile::shareExclusive);
        if (nError == 0) nError = OverwriteWith(target, backup, SaveStep::backupWrite);
    }
    if (nError) {
        RemoveQuietly(strBackup);
        result.strFailure = Describe(L"cannot back up", pszTarget, nError);
        return result;
    }

    nError = OverwriteWith(newText, target, SaveStep::inPlaceWrite);
    if (nError) {
        CFile old;
        int nRestore = OpenOrError(old, strBackup, CFile::modeRead | CFile::shareDenyNone);
        if (nRestore == 0) nRestore = OverwriteWith(old, target, SaveStep::restoreWrite);
        old.Abort();
        if (nRestore == 0) {
            RemoveQuietly(strBackup);
            result.strFailure = Describe(L"cannot write", pszTarget, nError) + L"; its old text was put back";
        } else {
            result.bKeepNewText = true;
            result.strFailure = CString(L"the topic is incomplete (") + ErrorText(nError) + L"); its old text is in " +
                                strBackup + L", its new text in " + pszNewText;
        }
        return result;
    }
    // Whoever compares versions must see this one as new, even when the
    // clock has not moved on since the last write.
    MarkNewVersion(target, identity);
    RemoveQuietly(strBackup);
    result.bReplaced = true;
    return result;
}

} // namespace htmlfile_platform::detail
