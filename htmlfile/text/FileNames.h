// Conversions between the file names written in a topic and full paths.
//
// Inputs may use '/' or '\' as separators. Not file names, and so left as
// they are: empty names, references within the document ("#fragment",
// "?query"), and URLs (a scheme of two or more characters followed by ':';
// the scheme starts with an ASCII letter and goes on with letters, digits,
// '+', '-' or '.', as in "http:", "mk:", "ms-its:"). A single letter followed
// by ':' is a drive, and such a name is absolute. A "#fragment" or "?query"
// after a file name stays attached to it unchanged.
#pragma once

#include <htmlfile/platform/Export.h>
#include <htmlfile/platform/String.h>
#include <htmlfile/platform/Types.h>

// *pResult = strFileName resolved against the folder of the document
// strDocPath, with '/' separators and "." and ".." resolved ("a/../b" is
// "b"; ".." above the root stays at the root). A name that names a folder
// (it ends with a separator, "." or "..") keeps a closing '/'.
//   absolute name ("/x", "//server/x", "C:\x", "C:x"): only normalised;
//   relative name: appended to the document's folder, then normalised; when
//     strDocPath has no folder part the result stays relative, keeping any
//     ".." it can't resolve;
//   URL, "#fragment", "?query" or empty name: copied unchanged.
// Returns TRUE when a path was resolved, FALSE when the name was copied (or
// pResult is null).
HTMLFILE_API BOOL AbsoluteFileNameFromFileName(const CString& strDocPath, const CString& strFileName, CString* pResult);

// *pResult = the absolute name strFileName written relative to the folder
// of the file strDocPath (which must be absolute too): "img/a.gif",
// "../x/a.gif", "./" for the folder itself. The three integers:
//   nAllowParent  non-zero: the result may climb with "../"; zero: a file
//                 outside the document's folder has no relative form;
//   nForwardSlash non-zero: separators '/'; zero: '\' ("..\img\a.gif");
//   nDotPrefix    non-zero: a file in the document's own folder or below is
//                 written with a leading "./".
// Both paths must have the same root; a drive letter (and, on such paths,
// every folder name) is compared ignoring case, other names exactly.
// Returns 0 (and leaves *pResult alone) when there is no relative form: a
// URL, a fragment, an empty or already relative name, a relative document
// path, different roots, or a name that would need "../" while nAllowParent
// is zero.
HTMLFILE_API BOOL RelativeFileNameFromFileName(const CString& strDocPath, const CString& strFileName,
                                               CString* pResult, int nAllowParent, int nForwardSlash,
                                               int nDotPrefix);
