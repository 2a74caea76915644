// Conversions between the file names written in a topic and full paths.
// Inputs may use '/' or '\' as separators; results use '/', with "." and
// ".." resolved. URLs (a scheme of two or more letters followed by ':'),
// "#fragment" references and empty names are left as they are.
#pragma once

#include <htmlfile/platform/String.h>
#include <htmlfile/platform/Types.h>

// *pResult = strFileName resolved against the folder of the document
// strDocPath. An absolute name is only normalised; a URL, fragment or empty
// name is copied unchanged. Returns TRUE when a path was resolved.
BOOL AbsoluteFileNameFromFileName(const CString& strDocPath, const CString& strFileName, CString* pResult);

// *pResult = the absolute name strFileName written relative to the folder
// of the file strDocPath. The three integers:
//   nAllowParent  non-zero: the result may climb with "../"; zero: a file
//                 outside the document's folder has no relative form;
//   nForwardSlash non-zero: separators '/'; zero: '\';
//   nDotPrefix    non-zero: a file in the document's own folder or below is
//                 written with a leading "./".
// Returns 0 (and leaves *pResult alone) when there is no relative form: a
// URL, a fragment, an empty or already relative name, or a name that would
// need "../" while nAllowParent is zero.
BOOL RelativeFileNameFromFileName(const CString& strDocPath, const CString& strFileName, CString* pResult,
                                  int nAllowParent, int nForwardSlash, int nDotPrefix);
