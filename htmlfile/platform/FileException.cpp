// CFileException and the parts of CFile that need no system call; the rest
// lives in posix/File.cpp and windows/File.cpp.
#include <htmlfile/platform/File.h>
#include <htmlfile/platform/FileSystem.h>

namespace {

const char* CauseText(int cause)
{
    switch (cause) {
    case CFileException::none: return "no error";
    case CFileException::fileNotFound: return "file not found";
    case CFileException::badPath: return "bad path";
    case CFileException::tooManyOpenFiles: return "too many open files";
    case CFileException::accessDenied: return "access denied";
    case CFileException::invalidFile: return "invalid file";
    case CFileException::removeCurrentDir: return "cannot remove the current directory";
    case CFileException::directoryFull: return "directory full";
    case CFileException::badSeek: return "bad seek";
    case CFileException::hardIO: return "hardware I/O error";
    case CFileException::sharingViolation: return "sharing violation";
    case CFileException::lockViolation: return "lock violation";
    case CFileException::diskFull: return "disk full";
    case CFileException::endOfFile: return "unexpected end of file";
    default: return "file error";
    }
}

} // namespace

CFileException::CFileException(int cause, long lOsError, const wchar_t* pszFileName)
    : m_cause(cause), m_lOsError(lOsError), m_strFileName(pszFileName)
{
    m_what = CauseText(cause);
    if (lOsError > 0) {
        m_what += " (";
        m_what += WideToUtf8(htmlfile_platform::ErrorText(static_cast<int>(lOsError)));
        m_what += ")";
    }
    if (!m_strFileName.IsEmpty()) {
        m_what += ": ";
        m_what += WideToUtf8(m_strFileName);
    }
}

CString CFileException::GetErrorMessage() const
{
    return CString(Utf8ToWide(m_what.c_str()));
}

CFile::CFile(const wchar_t* pszFileName, UINT nOpenFlags)
{
    CFileException error;
    if (!Open(pszFileName, nOpenFlags, &error)) throw error;
}

CFile::~CFile()
{
    Abort();
}
