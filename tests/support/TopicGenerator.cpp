#include "support/TopicGenerator.h"

#include <htmlfile/htmlfile.h>
#include <htmlfile/outside/TextEncoding.h>

#include <cwctype>

namespace {

// Words of body text; the first part fits windows-1252.
const wchar_t* const kLatinWords[] = {
    L"help", L"topic", L"printing", L"Übersicht", L"naïve", L"café", L"€ 5", L"“quoted”", L"Straße",
    L"señor", L"A&B", L"a < b", L"x > y", L"&amp;", L"&lt;b&gt;", L"&copy;", L"&#233;", L"&#x263A;",
    L"&nbsp;", L"&unknown;", L"R&D", L"50%", L"\"quote\"", L"'apos'", L"tab\there", L"Größe", L"–", L"…",
};
const wchar_t* const kWideWords[] = {L"日本語", L"Ελληνικά", L"русский", L"😀", L"𝄞", L"한국어"};

const wchar_t* const kFolders[] = {L"", L"", L"img/", L"../shared/", L"sub\\dir\\", L"./", L"Bilder ä/"};
const wchar_t* const kFileNames[] = {L"a", L"index", L"topic_1", L"bg", L"Chime", L"x y"};
const wchar_t* const kColourNames[] = {L"red", L"White", L"buttonface", L"#abc", L"blue", L"olive", L"nonsense"};

const wchar_t* const kLineEnds[] = {L"\r\n", L"\n", L"\r"};

bool FitsUnquoted(const std::wstring& value)
{
    if (value.empty()) return false;
    for (wchar_t ch : value)
        if (ch == L' ' || ch == L'\t' || ch == L'\r' || ch == L'\n' || ch == L'"' || ch == L'\'' || ch == L'>' ||
            ch == L'=' || ch == L'<' || ch == L'`')
            return false;
    return true;
}

CkvuuStdioFile::Encoding FileEncoding(TopicEncoding encoding)
{
    switch (encoding) {
    case TopicEncoding::Utf16LE: return CkvuuStdioFile::encodingUtf16LE;
    case TopicEncoding::Utf16BE: return CkvuuStdioFile::encodingUtf16BE;
    case TopicEncoding::Windows1252: return CkvuuStdioFile::encodingWindows1252;
    default: return CkvuuStdioFile::encodingUtf8;
    }
}

const char* NameOf(TopicEncoding encoding)
{
    switch (encoding) {
    case TopicEncoding::Utf8: return "UTF-8";
    case TopicEncoding::Utf8WithMark: return "UTF-8 with mark";
    case TopicEncoding::Utf16LE: return "UTF-16LE";
    case TopicEncoding::Utf16BE: return "UTF-16BE";
    case TopicEncoding::Windows1252: return "windows-1252";
    }
    return "?";
}

} // namespace

std::uint64_t TopicRandom::Next()
{
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::wstring TopicGenerator::Word()
{
    if (!m_bLatinOnly && m_random.Percent(15)) return m_random.Pick(kWideWords);
    return m_random.Pick(kLatinWords);
}

std::wstring TopicGenerator::Text(int nWords)
{
    std::wstring text;
    for (int i = 0; i < nWords; ++i) text += (i ? L" " : L"") + Word();
    return text;
}

// A tag or attribute name in the case mixes found in real files.
std::wstring TopicGenerator::Name(const wchar_t* pszName)
{
    std::wstring name(pszName);
    const int nStyle = m_random.Below(10);
    for (size_t i = 0; i < name.size(); ++i) {
        if (nStyle >= 6 && nStyle < 9) name[i] = static_cast<wchar_t>(std::towupper(name[i]));
        if (nStyle == 9 && i == 0) name[i] = static_cast<wchar_t>(std::towupper(name[i]));
    }
    return name;
}

// One attribute with its leading blank, in one of the quoting styles.
std::wstring TopicGenerator::Attribute(const wchar_t* pszName, const std::wstring& strValue)
{
    const std::wstring blank = m_random.Percent(90) ? L" " : L"\n  ";
    const std::wstring name = blank + Name(pszName);
    switch (m_random.Below(8)) {
    case 0:
        if (FitsUnquoted(strValue)) return name + L"=" + strValue;
        break;
    case 1:
        if (strValue.find(L'\'') == std::wstring::npos) return name + L"='" + strValue + L"'";
        break;
    case 2: return name + L" = \"" + strValue + L"\"";
    case 3:
        if (m_random.Percent(20)) return name; // written without a value
        break;
    default: break;
    }
    if (strValue.find(L'"') != std::wstring::npos) return name + L"='" + strValue + L"'";
    return name + L"=\"" + strValue + L"\"";
}

std::wstring TopicGenerator::Path(const wchar_t* pszExtension)
{
    if (m_random.Percent(5)) return L"http://example.com/" + std::wstring(m_random.Pick(kFileNames)) + pszExtension;
    std::wstring path = std::wstring(m_random.Pick(kFolders)) + m_random.Pick(kFileNames) + pszExtension;
    if (m_random.Percent(5)) path += L"#part";
    if (!m_bLatinOnly && m_random.Percent(5)) path = L"日本/" + path;
    return path;
}

std::wstring TopicGenerator::Colour()
{
    if (m_random.Percent(40)) return m_random.Pick(kColourNames);
    static const wchar_t kHex[] = L"0123456789abcdefABCDEF";
    std::wstring colour = L"#";
    for (int i = 0; i < 6; ++i) colour += kHex[m_random.Below(22)];
    return colour;
}

std::wstring TopicGenerator::Comment()
{
    static const wchar_t* const kInside[] = {
        L"<title>old title</title>", L"<body bgcolor=red>", L"<map name=c><area href=x.htm></map>",
        L"<object id=o><param name=a value=b></object>", L"- dashes - -", L"<link rel=stylesheet href=old.css>",
        L"<frameset cols=\"1,2\"></frameset>", L"<bgsound src=old.wav>",
    };
    switch (m_random.Below(10)) {
    case 0: return L"<!------- <OBJECT> ------->";
    case 1: return L"<!--[if gte mso 9]><xml><o:p></o:p></xml><![endif]-->";
    case 2: return L"<?xml version=\"1.0\"?>";
    case 3: return L"<!-->";
    default: return L"<!-- " + std::wstring(m_random.Pick(kInside)) + L" " + Text(2) + L" -->";
    }
}

std::wstring TopicGenerator::Script()
{
    static const wchar_t* const kBodies[] = {
        L"document.write('<object classid=\"clsid:1\"><param name=\"a\" value=\"b\"></object>');",
        L"if (a < b && c > d) { x = \"</p>\"; }",
        L"var s = \"<title>not</title>\"; // <body>",
        L"document.writeln(\"<map name=m><area href=a.htm></map>\");",
        L"<!-- hide\nvar t = '<frameset>';\n// -->",
        L"var end = '</scr' + 'ipt>';",
    };
    return L"<" + Name(L"script") + (m_random.Percent(50) ? L" type=\"text/javascript\">" : L">") +
           m_random.Pick(kBodies) + L"</" + Name(L"script") + L">";
}

std::wstring TopicGenerator::Map()
{
    std::wstring map = L"<" + Name(L"map");
    if (m_random.Percent(92)) map += Attribute(L"name", L"map" + std::to_wstring(m_random.Below(4)));
    map += L">";
    const int nAreas = m_random.Below(4);
    for (int i = 0; i < nAreas; ++i) {
        map += L"\n  <" + Name(L"area");
        if (m_random.Percent(70)) map += Attribute(L"shape", m_random.Percent(50) ? L"rect" : L"circle");
        if (m_random.Percent(80)) map += Attribute(L"coords", L"0,0," + std::to_wstring(m_random.Below(100)) + L",10");
        if (m_random.Percent(85)) map += Attribute(L"href", Path(L".htm"));
        if (m_random.Percent(40)) map += Attribute(L"title", Text(2));
        if (m_random.Percent(20)) map += Attribute(L"target", L"_top");
        map += m_random.Percent(10) ? L" />" : L">";
    }
    if (m_random.Percent(20)) map += L"\n" + Text(2);
    if (m_random.Percent(5)) map += L"<map name=inner>";
    if (m_random.Percent(85)) map += L"\n</" + Name(L"map") + L">";
    return map;
}

std::wstring TopicGenerator::Object()
{
    std::wstring object = L"<" + Name(L"object");
    if (m_random.Percent(90)) {
        if (m_random.Percent(60)) object += Attribute(L"id", L"obj" + std::to_wstring(m_random.Below(9)));
        if (m_random.Percent(70)) object += Attribute(L"classid", L"clsid:ADB880A6-D8FF-11CF-9377-00AA003B7A11");
        if (m_random.Percent(40)) object += Attribute(L"type", L"application/x-oleobject");
        if (m_random.Percent(30)) object += Attribute(L"width", std::to_wstring(m_random.Below(500)));
        if (m_random.Percent(20)) object += Attribute(L"data", Path(L".swf"));
        if (m_random.Percent(10)) object += L" VIEWASTEXT";
        if (m_random.Percent(3)) object += L" title='say \"hi\"'";
    }
    object += L">";
    const int nParams = m_random.Below(5);
    for (int i = 0; i < nParams; ++i) {
        object += L"\n<" + Name(L"param");
        if (m_random.Percent(90)) object += Attribute(L"name", m_random.Percent(50) ? L"Keyword" : L"Item1");
        if (m_random.Percent(85)) object += Attribute(L"value", Text(1));
        object += m_random.Percent(20) ? L" />" : L">";
    }
    if (m_random.Percent(15)) object += L"<embed src=\"movie.swf\">"; // discards the object
    if (m_random.Percent(15)) object += L"<b>" + Text(2) + L"</b>";   // no attributes: stays open
    if (m_random.Percent(90)) object += L"\n</" + Name(L"object") + L">";
    return object;
}

std::wstring TopicGenerator::Frameset(int nDepth)
{
    std::wstring frameset = L"<" + Name(L"frameset");
    if (m_random.Percent(95)) frameset += Attribute(L"cols", m_random.Percent(50) ? L"25%,75%" : L"200, *");
    if (m_random.Percent(30)) frameset += Attribute(L"rows", L"50%,*");
    if (m_random.Percent(20)) frameset += Attribute(L"border", L"0");
    if (m_random.Percent(20)) frameset += Attribute(L"bordercolor", Colour());
    frameset += L">";
    const int nChildren = 1 + m_random.Below(3);
    for (int i = 0; i < nChildren; ++i) {
        if (nDepth < 2 && m_random.Percent(25)) {
            frameset += L"\n" + Frameset(nDepth + 1);
            continue;
        }
        frameset += L"\n  <" + Name(L"frame");
        if (m_random.Percent(80)) frameset += Attribute(L"name", L"f" + std::to_wstring(i));
        if (m_random.Percent(90)) frameset += Attribute(L"src", Path(L".htm"));
        if (m_random.Percent(20)) frameset += Attribute(L"scrolling", L"no");
        if (m_random.Percent(15)) frameset += L" noresize";
        if (m_random.Percent(15)) frameset += Attribute(L"frameborder", m_random.Percent(50) ? L"0" : L"yes");
        if (m_random.Percent(10)) frameset += Attribute(L"marginwidth", L"5");
        frameset += m_random.Percent(30) ? L" />" : L">";
    }
    if (nDepth == 0 && m_random.Percent(60)) {
        frameset += L"\n<noframes>\n<" + Name(L"body") + Attribute(L"bgcolor", Colour()) + L">\n<p>" + Text(4) +
                    L"</p>\n</" + Name(L"body") + L">\n</noframes>";
    }
    if (m_random.Percent(95)) frameset += L"\n</" + Name(L"frameset") + L">";
    return frameset;
}

std::wstring TopicGenerator::Block()
{
    switch (m_random.Below(24)) {
    case 0: case 1: return L"<p>" + Text(1 + m_random.Below(8)) + (m_random.Percent(70) ? L"</p>" : L"");
    case 2: return L"<h2><b>" + Text(3) + L"</b></h2>";
    case 3: return L"<div><span><b>" + Text(2);
    case 4:
        if (m_random.Percent(30))
            return L"<IMG" + Attribute(L"dynsrc", Path(L".avi")) + Attribute(L"loop", L"infinite") + L">";
        return L"<" + Name(L"img") + Attribute(L"src", Path(L".gif")) + Attribute(L"alt", Text(1)) +
               (m_random.Percent(30) ? Attribute(L"usemap", L"#map1") : L"") + L">";
    case 5: return L"<" + Name(L"a") + Attribute(L"href", Path(L".htm")) + L">" + Text(2) + L"</a>";
    case 6: return L"<A" + Attribute(L"name", L"top") + L">" + Text(1) + L"</A>";
    case 7: case 8: return Map();
    case 9: case 10: return Object();
    case 11:
        if (m_random.Percent(20)) return L"<bgsound loop=2>";
        return L"<" + Name(L"bgsound") + Attribute(L"src", Path(L".wav")) +
               (m_random.Percent(50) ? Attribute(L"loop", m_random.Percent(50) ? L"infinite" : L"3") : L"") + L">";
    case 12: return Comment();
    case 13: return Script();
    case 14: {
        static const wchar_t* const kStray[] = {L"</map>", L"</object>", L"</title>", L"</frameset>", L"</>",
                                                L"</ x>", L"<area href=lost.htm>", L"<param name=lost value=1>"};
        return m_random.Pick(kStray);
    }
    case 15: return L"<table border=1><tr><td>" + Text(2) + L"</td></tr></table>";
    case 16: return L"<textarea><body bgcolor=red><title>in textarea</title></textarea>";
    case 17:
        return L"<h1><" + Name(L"meta") + Attribute(L"name", L"template") + Attribute(L"pattern", L"title") + L"></h1>";
    case 18: {
        static const wchar_t* const kOdd[] = {L"<![CDATA[ <b> ]]>", L"<?php echo '<title>'; ?>", L"< not a tag",
                                              L"a <b c", L"x < y > z", L"<xmp><map name=x></xmp>",
                                              L"<iframe src=x.htm><body></iframe>", L"<style>p{}</style>"};
        return m_random.Pick(kOdd);
    }
    case 19:
        if (m_random.Percent(10)) return L"<plaintext><title>x</title>";
        return L"<" + Name(L"title") + L">" + Text(2) + L"</" + Name(L"title") + L">";
    case 20: return L"<" + Name(L"link") + Attribute(L"rel", L"stylesheet") + Attribute(L"href", Path(L".css")) + L">";
    case 21:
        if (m_random.Percent(10)) return Frameset(0);
        return Text(4);
    default: return Text(1 + m_random.Below(12));
    }
}

void TopicGenerator::Head(std::vector<std::wstring>& lines)
{
    if (m_random.Percent(85)) lines.push_back(L"<" + Name(L"head") + L">");
    if (m_random.Percent(50))
        lines.push_back(L"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">");
    if (m_random.Percent(85)) {
        lines.push_back(L"<" + Name(L"title") + L">" + Text(1 + m_random.Below(4)) + L"</" + Name(L"title") + L">");
        if (m_random.Percent(8)) lines.push_back(L"<title>" + Text(2) + L"</title>");
    }
    if (m_random.Percent(3)) lines.push_back(L"</title>");
    if (m_random.Percent(60)) {
        std::wstring link = L"<" + Name(L"link") + Attribute(L"rel", L"stylesheet") +
                            Attribute(L"href", Path(L".css")) + Attribute(L"type", L"text/css");
        lines.push_back(link + (m_random.Percent(20) ? L" />" : L">"));
        if (m_random.Percent(10)) lines.push_back(L"<link rel=\"icon\" href=\"favicon.ico\">");
    }
    if (m_random.Percent(15)) {
        static const wchar_t* const kPatterns[] = {L"title", L"Title", L"date", L""};
        lines.push_back(L"<" + Name(L"meta") + Attribute(L"name", m_random.Percent(80) ? L"template" : L"TEMPLATE") +
                        Attribute(L"pattern", m_random.Pick(kPatterns)) + L">");
    }
    if (m_random.Percent(20))
        lines.push_back(L"<style type=\"text/css\">\nbody { color: red }\n/* <body bgcolor=blue> */ p > b {}\n</style>");
    if (m_random.Percent(25)) lines.push_back(Script());
    if (m_random.Percent(30)) lines.push_back(Comment());
    if (m_random.Percent(1)) lines.push_back(L"<title>" + Text(2)); // never closed: the rest is title text
    if (m_random.Percent(80)) lines.push_back(L"</" + Name(L"head") + L">");
}

void TopicGenerator::FramePage(std::vector<std::wstring>& lines, bool bWithNoFrames)
{
    std::wstring frameset = Frameset(0);
    if (!bWithNoFrames) {
        const size_t at = frameset.find(L"<noframes>");
        if (at != std::wstring::npos) frameset.erase(at, frameset.find(L"</noframes>") + 11 - at);
    }
    lines.push_back(frameset);
}

void TopicGenerator::Body(std::vector<std::wstring>& lines)
{
    if (m_random.Percent(6)) {
        FramePage(lines, true);
        return;
    }
    if (m_random.Percent(20)) lines.push_back(Object()); // keyword objects between head and body
    if (m_random.Percent(90)) {
        std::wstring body = L"<" + Name(L"body");
        if (m_random.Percent(40)) body += Attribute(L"bgcolor", Colour());
        if (m_random.Percent(30)) body += Attribute(L"text", Colour());
        if (m_random.Percent(20)) body += Attribute(L"link", Colour());
        if (m_random.Percent(10)) body += Attribute(L"vlink", Colour());
        if (m_random.Percent(20)) body += Attribute(L"background", Path(L".gif"));
        if (m_random.Percent(10)) body += Attribute(L"bgproperties", L"fixed");
        if (m_random.Percent(10)) body += L" topmargin";
        if (m_random.Percent(10)) body += Attribute(L"onload", L"init('a', \"b\")");
        if (m_random.Percent(3)) body += L" bgcolor=\"\"";
        lines.push_back(body + L">");
    }
    if (m_random.Percent(4)) lines.push_back(L"<body id=second>");
    const int nBlocks = m_random.Below(12);
    for (int i = 0; i < nBlocks; ++i) {
        std::wstring line = std::wstring(static_cast<size_t>(m_random.Below(3)) * 2, L' ') + Block();
        if (m_random.Percent(30) && !lines.empty()) lines.back() += line;
        else lines.push_back(line);
    }
    if (m_random.Percent(85)) lines.push_back(L"</" + Name(L"body") + L">");
    if (m_random.Percent(4)) FramePage(lines, false);
}

std::string TopicGenerator::Encode(const std::wstring& strText, TopicEncoding encoding)
{
    const CkvuuStdioFile::Encoding fileEncoding = FileEncoding(encoding);
    std::string bytes;
    if (encoding != TopicEncoding::Utf8 && encoding != TopicEncoding::Windows1252) {
        size_t nMark = 0;
        const unsigned char* pMark = htmlfile_text::ByteOrderMarkBytes(fileEncoding, &nMark);
        bytes.assign(reinterpret_cast<const char*>(pMark), nMark);
    }
    unsigned char buffer[4096];
    const wchar_t* p = strText.data();
    const wchar_t* end = p + strText.size();
    while (p < end) {
        const size_t n = htmlfile_text::EncodeUnits(fileEncoding, &p, end, buffer, sizeof buffer);
        bytes.append(reinterpret_cast<const char*>(buffer), n);
    }
    return bytes;
}

GeneratedTopic TopicGenerator::Topic()
{
    static const TopicEncoding kEncodings[] = {
        TopicEncoding::Utf8,         TopicEncoding::Utf8,    TopicEncoding::Utf8,    TopicEncoding::Utf8WithMark,
        TopicEncoding::Utf8WithMark, TopicEncoding::Utf16LE, TopicEncoding::Utf16BE, TopicEncoding::Windows1252,
        TopicEncoding::Windows1252,
    };
    GeneratedTopic topic;
    topic.encoding = m_random.Pick(kEncodings);
    m_bLatinOnly = topic.encoding == TopicEncoding::Windows1252;

    std::vector<std::wstring> lines;
    if (m_random.Percent(40)) lines.push_back(L"<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">");
    if (m_random.Percent(10)) lines.push_back(Comment());
    if (m_random.Percent(90)) lines.push_back(L"<" + Name(L"html") + (m_random.Percent(20) ? L" lang=de>" : L">"));
    Head(lines);
    Body(lines);
    if (m_random.Percent(80)) lines.push_back(L"</" + Name(L"html") + L">");
    if (m_random.Percent(4)) {
        static const wchar_t* const kCut[] = {L"<a href=\"x", L"<!-- open", L"<p", L"</tit", L"<body bgcolor="};
        lines.push_back(m_random.Pick(kCut));
    }
    const bool bUtf16 = topic.encoding == TopicEncoding::Utf16LE || topic.encoding == TopicEncoding::Utf16BE;
    if (bUtf16 && m_random.Percent(3)) lines.push_back(std::wstring(L"lone ") + wchar_t(0xD800) + L" surrogate");

    // Line ends: one kind for the file, or a mix.
    const int nLineEnds = m_random.Below(20);
    std::wstring text;
    for (size_t i = 0; i < lines.size(); ++i) {
        text += lines[i];
        if (i + 1 == lines.size() && m_random.Percent(20)) break;
        if (nLineEnds < 8) text += L"\r\n";
        else if (nLineEnds < 16) text += L"\n";
        else if (nLineEnds < 19) text += m_random.Pick(kLineEnds);
        else text += L"\r";
    }

    topic.strBytes = Encode(text, topic.encoding);
    if (bUtf16 && m_random.Percent(3)) topic.strBytes += '\x42'; // an odd last byte
    if (topic.encoding == TopicEncoding::Utf8WithMark && m_random.Percent(3))
        topic.strBytes.insert(3 + static_cast<size_t>(m_random.Below(static_cast<int>(topic.strBytes.size() - 2))),
                              "\xE9");
    const char* pszLineEnds = nLineEnds < 8 ? "CR LF" : nLineEnds < 16 ? "LF" : nLineEnds < 19 ? "mixed" : "CR";
    topic.strSummary = std::string(NameOf(topic.encoding)) + ", " + std::to_string(topic.strBytes.size()) +
                       " bytes, line ends " + pszLineEnds;
    return topic;
}

namespace {

CHTMLMap* NewMap(TopicRandom& random)
{
    auto* pMap = new CHTMLMap((L"new" + std::to_wstring(random.Below(100))).c_str());
    const int nAreas = random.Below(3);
    for (int i = 0; i < nAreas; ++i)
        pMap->AddMapArea(new CHTMLMapArea(L"rect", L"0,0,5,5", L"t.htm", i ? L"Tip & more" : nullptr, nullptr));
    return pMap;
}

CHTMLObjectTag* NewObject(TopicRandom& random)
{
    auto* pObject = new CHTMLObjectTag();
    pObject->SetAttribute(L"id", (L"new" + std::to_wstring(random.Below(100))).c_str());
    if (random.Percent(50)) pObject->SetAttribute(L"classid", L"clsid:52A2AAAE-085D-4187-97EA-8C30DB990436");
    if (random.Percent(50)) pObject->AddParam(new CHTMLParam(L"Keyword", L"Neu & ü"));
    return pObject;
}

CHtmlFileFrameset* NewFrameset(TopicRandom& random)
{
    auto* pFrameset = new CHtmlFileFrameset;
    CString strCols(random.Percent(50) ? L"30%,70%" : L"*"), strRows(L"");
    pFrameset->SetSizes(strCols, strRows);
    for (int i = 0; i < 2; ++i) {
        auto* pFrame = new CHtmlFileFrame;
        pFrame->m_strName = i ? L"main" : L"toc";
        pFrame->m_strSrc = i ? L"start.htm" : L"toc.htm";
        pFrameset->SetSizeData(pFrame->m_nWidth, pFrame->m_strWidthUnit, pFrame->m_nHeight, pFrame->m_strHeightUnit);
        pFrameset->m_listItems.AddTail(pFrame);
    }
    return pFrameset;
}

COLORREF RandomColour(TopicRandom& random)
{
    return random.Percent(20) ? NO_COLOR : static_cast<COLORREF>(random.Next() & 0xFFFFFF);
}

} // namespace

std::string TopicGenerator::RandomEdits(CHtmlFile& doc)
{
    std::string log;
    const int nEdits = m_random.Below(6);
    for (int i = 0; i < nEdits; ++i) {
        int nKind = m_random.Below(13);
        // Frame layouts make a page that is not saved twice alike; keep
        // them rarer so most pages are.
        if ((nKind == 10 || nKind == 11) && m_random.Percent(60)) nKind = 12;
        log += (log.empty() ? "" : ", ") + std::to_string(nKind);
        switch (nKind) {
        case 0: doc.SetTitle(m_random.Percent(10) ? L"" : (Text(2) + L" & <b>").c_str()); break;
        case 1: doc.SetStyleSheet(m_random.Percent(25) ? nullptr : Path(L".css").c_str()); break;
        case 2: doc.SetBgColor(RandomColour(m_random)); break;
        case 3: doc.SetTextColor(RandomColour(m_random)); break;
        case 4: doc.SetBgImage(m_random.Percent(25) ? L"" : Path(L".jpg").c_str()); break;
        case 5: doc.SetWaterMark(m_random.Percent(50)); break;
        case 6: doc.SetBgSound(Path(L".mid").c_str(), m_random.Percent(50) ? -1 : 2); break;
        case 7: {
            CHTMLMap* pMap = NewMap(m_random);
            if (!doc.InsertMap(pMap)) delete pMap;
            break;
        }
        case 8: {
            CHTMLObjectTag* pObject = NewObject(m_random);
            if (!doc.InsertObjectTag(pObject)) delete pObject;
            break;
        }
        case 9: {
            const int nCount = doc.GetNumObjectTags();
            int nSkip = nCount ? m_random.Below(nCount) : 0;
            for (POSITION pos = doc.GetObjectTagHeadPosition(); pos;) {
                CHTMLObjectTag* pObject = doc.GetNextObjectTag(pos);
                if (nSkip-- == 0 && pObject) pObject->Delete(!pObject->IsDeleted());
            }
            break;
        }
        case 10: doc.AddFrameset(NewFrameset(m_random)); break;
        case 11: {
            CHtmlFileFrameset* pFrameset = NewFrameset(m_random);
            if (!doc.SetFrameset(pFrameset)) delete pFrameset;
            break;
        }
        default: doc.SetLinkColor(RandomColour(m_random)); break;
        }
    }
    return log.empty() ? "no edits" : "edits " + log;
}
