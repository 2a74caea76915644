#include <htmlfile/text/QLUtils.h>
#include <htmlfile/platform/CaseFold.h>

namespace QLUtils {

int CompareNoCase(const wchar_t* psz1, const wchar_t* psz2) noexcept
{
    return CompareFolded(psz1 ? psz1 : L"", psz2 ? psz2 : L"");
}

void MakeLower(CString& str)
{
    str.MakeLower();
}

} // namespace QLUtils
