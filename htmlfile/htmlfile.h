// The htmlfile library: everything public in one include.
#pragma once

#include <htmlfile/platform/CaseFold.h>
#include <htmlfile/platform/File.h>
#include <htmlfile/platform/List.h>
#include <htmlfile/platform/MapStringToString.h>
#include <htmlfile/platform/Prompt.h>
#include <htmlfile/platform/String.h>
#include <htmlfile/platform/TempFile.h>
#include <htmlfile/platform/Types.h>

#include <htmlfile/platform/FileSystem.h>

#include <htmlfile/text/FileNames.h>
#include <htmlfile/text/KvuuStdioFile.h>
#include <htmlfile/text/QLUtils.h>
#include <htmlfile/text/Template.h>

#include <htmlfile/scan/Html.h>
#include <htmlfile/scan/HtmlTokenList.h>

#include <htmlfile/color/Color.h>
#include <htmlfile/markup/HtmlMap.h>
#include <htmlfile/markup/HtmlObject.h>
#include <htmlfile/markup/HtmlObjectTag.h>
#include <htmlfile/markup/HtmlTemplateTag.h>
#include <htmlfile/frameset/HtmlFileFrameset.h>
#include <htmlfile/document/HtmlFile.h>

#include <htmlfile/resources/Resources.h>
#include <htmlfile/version.h>
