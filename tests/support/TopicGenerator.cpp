#include "support/TopicGenerator.h"
#include "support/RoundTrip.h"

#include <cwctype>
#include <initializer_list>
#include <vector>

namespace {

// Words of body text; the first part fits windows-1252.
const wchar_t* const kLatinWords[] = {
    L"help", L"topic", L"printing", L"Übersicht", L"naïve", L"café", L"€ 5", L"“quoted”", L"Straße",
    L"señor", L"A&B", L"a < b", L"x > y", L"&amp;", L"&lt;b&gt;", L"&copy;", L"&#233;", L"&#x263A;",
    L"&nbsp;", L"&unknown;", L"R&D", L"50%", L"\"quote\"", L"'apos'", L"tab\there", L"Größe", L"–", L"…",
};
const wchar_t* const kWideWords[] = {L"日本語", L"Ελληνικά", L"русский", L"😀", L"𝄞", L"한국어"};
// Japanese as Shift_JIS holds it: single-byte katakana, trail bytes that
// are "\\" (表, ソ, 能) or "|" (ポ), NEC and IBM extensions (①, ⅰ, 髙) and
// characters with two codes (∵, ≒).
const wchar_t* const kJapaneseWords[] = {L"日本語", L"印刷の設定", L"ヘルプ", L"表示", L"ソフト", L"機能", L"ポップアップ",
                                         L"ｶﾀｶﾅ", L"①", L"ⅰ", L"髙橋", L"∵", L"≒", L"「目次」", L"～", L"ー"};
// Chinese as GBK holds it: the one-byte euro sign, trail bytes from 0x40
// ("丂"), traditional characters, and full-width punctuation.
const wchar_t* const kChineseWords[] = {L"中文", L"帮助主题", L"设置", L"打印", L"搜索", L"关键字", L"繁體中文",
                                        L"€", L"丂", L"〔注〕", L"·", L"目录", L"窗口", L"简体"};

const wchar_t* const kFolders[] = {L"", L"", L"img/", L"../shared/", L"sub\\dir\\", L"./", L"Bilder ä/"};
const wchar_t* const kFileNames[] = {L"a", L"index", L"topic_1", L"bg", L"Chime", L"x y"};
const wchar_t* const kColourNames[] = {L"red", L"White", L"buttonface", L"#abc", L"blue", L"olive", L"nonsense"};

const wchar_t* const kLineEnds[] = {L"\r\n", L"\n", L"\r"};

// Comments with tags in them, and markup that reads as one.
const wchar_t* const kComments[] = {
    L"<!------- <OBJECT> ------->", L"<!--[if gte mso 9]><xml><o:p></o:p></xml><![endif]-->", L"<?xml version=\"1.0\"?>",
    L"<!-->", L"<!-- <title>old title</title> -->", L"<!-- <body bgcolor=red> -->", L"<!-- - dashes - - -->",
    L"<!-- <map name=c><area href=x.htm></map> -->", L"<!-- <object id=o><param name=a value=b></object> -->",
    L"<!-- <link rel=stylesheet href=old.css> -->", L"<!-- <frameset cols=\"1,2\"></frameset> -->",
    L"<!-- <bgsound src=old.wav> -->"};

bool FitsUnquoted(const std::wstring& value)
{
    return !value.empty() && value.find_first_of(L" \t\r\n\"'>=<`") == std::wstring::npos;
}

} // namespace

std::uint64_t TopicRandom::Next()
{
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

struct TopicGenerator::Builder {
    struct Attr {
        int nPercent;
        const wchar_t* pszName;
        const wchar_t* pszValue; // nullptr: written without a value
    };
    TopicRandom& m_random;
    TextScript& m_script;

    // Latin words (Shift_JIS and GBK write some as "&#N;"), now and then a
    // word of the script.
    const wchar_t* Word()
    {
        if (m_script == TextScript::Latin) return m_random.Pick(kLatinWords);
        if (m_script == TextScript::Any) return m_random.Percent(15) ? m_random.Pick(kWideWords) : m_random.Pick(kLatinWords);
        if (!m_random.Percent(40)) return m_random.Pick(kLatinWords);
        return m_script == TextScript::Japanese ? m_random.Pick(kJapaneseWords) : m_random.Pick(kChineseWords);
    }

    std::wstring Text(int nWords)
    {
        std::wstring text;
        for (int i = 0; i < nWords; ++i) text += (i ? L" " : L"") + std::wstring(Word());
        return text;
    }

    // A tag or attribute name in the case mixes found in real files.
    std::wstring Name(const wchar_t* pszName)
    {
        std::wstring name(pszName);
        const int nStyle = m_random.Below(10); // as written, upper case (6 to 8) or capitalised (9)
        for (size_t i = 0; i < name.size(); ++i)
            if ((nStyle >= 6 && nStyle < 9) || (nStyle == 9 && i == 0)) name[i] = static_cast<wchar_t>(std::towupper(name[i]));
        return name;
    }

    // One attribute with its leading blank, in one of the quoting styles.
    std::wstring Attribute(const wchar_t* pszName, const std::wstring& strValue)
    {
        const std::wstring blank = m_random.Percent(90) ? L" " : L"\n  ";
        const std::wstring name = blank + Name(pszName);
        const int nStyle = m_random.Below(8);
        if (nStyle == 0 && FitsUnquoted(strValue)) return name + L"=" + strValue;
        if (nStyle == 1 && strValue.find(L'\'') == std::wstring::npos) return name + L"='" + strValue + L"'";
        if (nStyle == 2) return name + L" = \"" + strValue + L"\"";
        if (nStyle == 3 && m_random.Percent(20)) return name; // written without a value
        if (strValue.find(L'"') != std::wstring::npos) return name + L"='" + strValue + L"'";
        return name + L"=\"" + strValue + L"\"";
    }

    // An attribute value: "$htm", "$css", ... a path with that extension;
    // "$colour"; "$1" to "$4" words of text; "a|b|c" one of the alternatives
    // (some may be empty); anything else as it stands.
    std::wstring Value(const std::wstring& strPattern)
    {
        if (strPattern == L"$colour") return Colour();
        if (strPattern.size() == 2 && strPattern[0] == L'$') return Text(strPattern[1] - L'0');
        if (!strPattern.empty() && strPattern[0] == L'$') return Path((L"." + strPattern.substr(1)).c_str());
        std::vector<std::wstring> alternatives(1);
        for (wchar_t ch : strPattern) {
            if (ch == L'|') alternatives.emplace_back();
            else alternatives.back() += ch;
        }
        return alternatives[static_cast<size_t>(m_random.Below(static_cast<int>(alternatives.size())))];
    }

    // A start tag with each attribute {percent, name, value} written with that
    // chance (a null value: written without one), ended by " />" nSlash percent
    // of the time.
    std::wstring Tag(const wchar_t* pszName, std::initializer_list<Attr> attributes, int nSlash = 0)
    {
        std::wstring tag = L"<" + Name(pszName);
        for (const auto& [nPercent, pszAttribute, pszValue] : attributes)
            if (m_random.Percent(nPercent))
                tag += pszValue ? Attribute(pszAttribute, Value(pszValue)) : L" " + Name(pszAttribute);
        return tag + (m_random.Percent(nSlash) ? L" />" : L">");
    }

    std::wstring Path(const wchar_t* pszExtension)
    {
        if (m_random.Percent(5)) return L"http://example.com/" + std::wstring(m_random.Pick(kFileNames)) + pszExtension;
        std::wstring path = std::wstring(m_random.Pick(kFolders)) + m_random.Pick(kFileNames) + pszExtension;
        if (m_random.Percent(5)) path += L"#part";
        if (m_script != TextScript::Latin && m_random.Percent(5))
            path = (m_script == TextScript::Chinese ? L"中文/" : L"日本/") + path;
        return path;
    }

    std::wstring Colour()
    {
        if (m_random.Percent(40)) return m_random.Pick(kColourNames);
        std::wstring colour = L"#";
        for (int i = 0; i < 6; ++i) colour += L"0123456789abcdefABCDEF"[m_random.Below(22)];
        return colour;
    }

    std::wstring Script()
    {
        static const wchar_t* const kBodies[] = {
            L"document.write('<object classid=\"clsid:1\"><param name=\"a\" value=\"b\"></object>');",
            L"if (a < b && c > d) { x = \"</p>\"; }", L"var s = \"<title>not</title>\"; // <body>",
            L"document.writeln(\"<map name=m><area href=a.htm></map>\");", L"<!-- hide\nvar t = '<frameset>';\n// -->",
            L"var end = '</scr' + 'ipt>';"};
        return Tag(L"script", {{50, L"type", L"text/javascript"}}) + m_random.Pick(kBodies) + L"</" + Name(L"script") + L">";
    }

    std::wstring Map()
    {
        std::wstring map = Tag(L"map", {{92, L"name", L"map0|map1|map2|map3"}});
        for (int i = m_random.Below(4); i > 0; --i)
            map += L"\n  " + Tag(L"area", {{70, L"shape", L"rect|circle"}, {80, L"coords", L"0,0,10,10|0,0,99,10|5,5,5"},
                                           {85, L"href", L"$htm"}, {40, L"title", L"$2"}, {20, L"target", L"_top"}}, 10);
        if (m_random.Percent(20)) map += L"\n" + Text(2);
        if (m_random.Percent(5)) map += L"<map name=inner>";
        if (m_random.Percent(85)) map += L"\n</" + Name(L"map") + L">";
        return map;
    }

    std::wstring Object()
    {
        std::wstring object = Tag(L"object", {{55, L"id", L"obj1|obj2|Obj3|o"},
                                              {65, L"classid", L"clsid:ADB880A6-D8FF-11CF-9377-00AA003B7A11"},
                                              {35, L"type", L"application/x-oleobject"}, {30, L"width", L"0|40|320"},
                                              {20, L"data", L"$swf"}, {10, L"VIEWASTEXT", nullptr},
                                              {3, L"title", L"say \"hi\""}});
        for (int i = m_random.Below(5); i > 0; --i)
            object += L"\n" + Tag(L"param", {{90, L"name", L"Keyword|Item1"}, {85, L"value", L"$1"}}, 20);
        if (m_random.Percent(15)) object += L"<embed src=\"movie.swf\">"; // discards the object
        if (m_random.Percent(15)) object += L"<b>" + Text(2) + L"</b>";   // no attributes: stays open
        if (m_random.Percent(90)) object += L"\n</" + Name(L"object") + L">";
        return object;
    }

    std::wstring Frameset(int nDepth)
    {
        std::wstring frameset = Tag(L"frameset", {{95, L"cols", L"25%,75%|200, *"}, {30, L"rows", L"50%,*"},
                                                  {20, L"border", L"0"}, {20, L"bordercolor", L"$colour"}});
        for (int i = 1 + m_random.Below(3); i > 0; --i)
            frameset += L"\n  " + (nDepth < 2 && m_random.Percent(25)
                                       ? Frameset(nDepth + 1)
                                       : Tag(L"frame", {{80, L"name", L"toc|main|f2"}, {90, L"src", L"$htm"},
                                                        {20, L"scrolling", L"no"}, {15, L"noresize", nullptr},
                                                        {15, L"frameborder", L"0|yes"}, {10, L"marginwidth", L"5"}}, 30));
        if (nDepth == 0 && m_random.Percent(60))
            frameset += L"\n<noframes>\n" + Tag(L"body", {{100, L"bgcolor", L"$colour"}}) + L"\n<p>" + Text(4) +
                        L"</p>\n</body>\n</noframes>";
        if (m_random.Percent(95)) frameset += L"\n</" + Name(L"frameset") + L">";
        return frameset;
    }

    std::wstring Block()
    {
        static const wchar_t* const kFixed[] = {
            L"</map>", L"</object>", L"</title>", L"</frameset>", L"</>", L"</ x>", L"<area href=lost.htm>",
            L"<param name=lost value=1>", L"<![CDATA[ <b> ]]>", L"<?php echo '<title>'; ?>", L"< not a tag", L"a <b c",
            L"x < y > z", L"<xmp><map name=x></xmp>", L"<iframe src=x.htm><body></iframe>", L"<style>p{}</style>",
            L"<textarea><body bgcolor=red><title>in textarea</title></textarea>", L"<plaintext><title>x</title>",
            L"<table border=1><tr><td>cell</td></tr></table>", L"<h2><b>heading</b></h2>", L"<div><span><b>unclosed",
            L"<bgsound loop=2>"};
        switch (m_random.Below(22)) {
        case 0: return L"<p>" + Text(1 + m_random.Below(8)) + (m_random.Percent(70) ? L"</p>" : L"");
        case 1: return m_random.Pick(kFixed);
        case 2:
            return Tag(L"img", {{70, L"src", L"$gif"}, {30, L"dynsrc", L"$avi"}, {60, L"alt", L"$1"}, {30, L"usemap", L"#map1"},
                                {20, L"loop", L"infinite|2"}});
        case 3: return Tag(L"a", {{80, L"href", L"$htm"}, {30, L"name", L"top"}}) + Text(2) + L"</a>";
        case 4: case 5: return Map();
        case 6: case 7: return Object();
        case 8: return Tag(L"bgsound", {{85, L"src", L"$wav"}, {50, L"loop", L"infinite|3"}});
        case 9: return m_random.Pick(kComments);
        case 10: return Script();
        case 11: return L"<h1>" + Tag(L"meta", {{100, L"name", L"template"}, {100, L"pattern", L"title"}}) + L"</h1>";
        case 12: return Tag(L"title", {}) + Text(2) + L"</title>";
        case 13: return Tag(L"link", {{100, L"rel", L"stylesheet"}, {90, L"href", L"$css"}});
        case 14: return m_random.Percent(10) ? Frameset(0) : Text(4);
        default: return Text(1 + m_random.Below(12));
        }
    }

    // A declaration of the label in one of the forms the prescan reads.
    std::wstring Declaration(const wchar_t* pszLabel)
    {
        switch (m_random.Below(4)) {
        case 0: return L"<meta charset=\"" + std::wstring(pszLabel) + L"\">";
        case 1: return L"<META CHARSET=" + std::wstring(pszLabel) + L">";
        case 2: return L"<meta content='text/html; charset=" + std::wstring(pszLabel) + L"' http-equiv=content-type>";
        default: return L"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + std::wstring(pszLabel) + L"\">";
        }
    }

    // pszLabel: the encoding's label, which a topic in an encoding that is
    // neither found by a mark nor taken for valid UTF-8 must declare.
    void Head(std::vector<std::wstring>& lines, const wchar_t* pszLabel)
    {
        if (m_random.Percent(85)) lines.push_back(Tag(L"head", {}));
        if (pszLabel) lines.push_back(Declaration(pszLabel));
        else if (m_random.Percent(50))
            lines.push_back(L"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">");
        if (m_random.Percent(85))
            lines.push_back(Tag(L"title", {}) + Text(1 + m_random.Below(4)) + L"</" + Name(L"title") + L">");
        if (m_random.Percent(8)) lines.push_back(L"<title>" + Text(2) + L"</title>"); // a second title
        if (m_random.Percent(3)) lines.push_back(L"</title>");
        if (m_random.Percent(60))
            lines.push_back(
                Tag(L"link", {{100, L"rel", L"stylesheet"}, {100, L"href", L"$css"}, {100, L"type", L"text/css"}}, 20));
        if (m_random.Percent(6)) lines.push_back(L"<link rel=\"icon\" href=\"favicon.ico\">");
        if (m_random.Percent(15))
            lines.push_back(Tag(L"meta", {{100, L"name", L"template|TEMPLATE"}, {100, L"pattern", L"title|Title|date|"}}));
        if (m_random.Percent(20))
            lines.push_back(L"<style type=\"text/css\">\nbody { color: red }\n/* <body bgcolor=blue> */ p > b {}\n</style>");
        if (m_random.Percent(25)) lines.push_back(Script());
        if (m_random.Percent(30)) lines.push_back(m_random.Pick(kComments));
        if (m_random.Percent(1)) lines.push_back(L"<title>" + Text(2)); // never closed: the rest is title text
        if (m_random.Percent(80)) lines.push_back(L"</" + Name(L"head") + L">");
    }

    void Body(std::vector<std::wstring>& lines)
    {
        if (m_random.Percent(6)) return lines.push_back(Frameset(0)); // a frame page
        if (m_random.Percent(20)) lines.push_back(Object());           // keyword objects between head and body
        if (m_random.Percent(90))
            lines.push_back(Tag(L"body", {{40, L"bgcolor", L"$colour"}, {30, L"text", L"$colour"}, {20, L"link", L"$colour"},
                                          {10, L"vlink", L"$colour"}, {20, L"background", L"$gif"},
                                          {10, L"bgproperties", L"fixed"}, {10, L"topmargin", nullptr},
                                          {10, L"onload", L"init('a', \"b\")"}, {3, L"bgcolor", L""}}));
        if (m_random.Percent(4)) lines.push_back(L"<body id=second>");
        for (int i = m_random.Below(12); i > 0; --i) {
            const std::wstring block = std::wstring(static_cast<size_t>(m_random.Below(3)) * 2, L' ') + Block();
            if (m_random.Percent(30) && !lines.empty()) lines.back() += block;
            else lines.push_back(block);
        }
        if (m_random.Percent(85)) lines.push_back(L"</" + Name(L"body") + L">");
        if (m_random.Percent(4)) { // a frame page after the body, without noframes
            std::wstring frameset = Frameset(0);
            const size_t at = frameset.find(L"<noframes>");
            if (at != std::wstring::npos) frameset.erase(at, frameset.find(L"</noframes>") + 11 - at);
            lines.push_back(frameset);
        }
    }

    GeneratedTopic Topic()
    {
        using F = CkvuuStdioFile;
        using E = htmlfile_text::EncodingId;
        struct Choice {
            F::Encoding encoding;
            bool bMark;
            const char* pszName;
            TextScript script;
        };
        const Choice utf8{F::encodingUtf8, false, "UTF-8", TextScript::Any},
            marked{F::encodingUtf8, true, "UTF-8 with mark", TextScript::Any},
            latin{F::encodingWindows1252, false, "windows-1252", TextScript::Latin};
        const Choice kEncodings[] = {utf8, utf8, utf8, marked, marked,
                                     {F::encodingUtf16LE, true, "UTF-16LE", TextScript::Any},
                                     {F::encodingUtf16BE, true, "UTF-16BE", TextScript::Any}, latin, latin,
                                     {E::kShiftJis, false, "Shift_JIS", TextScript::Japanese},
                                     {E::kGbk, false, "GBK", TextScript::Chinese}};
        const auto& [encoding, bMark, pszEncoding, script] = m_random.Pick(kEncodings);
        m_script = script;
        // Every label the label table has for the encoding, in the cases
        // topics are found in.
        static const wchar_t* const kShiftJisLabels[] = {L"shift_jis", L"Shift_JIS", L"x-sjis", L"ms_kanji", L"windows-31j"};
        static const wchar_t* const kGbkLabels[] = {L"gbk", L"GB2312", L"gb_2312-80", L"x-gbk", L"chinese", L"GBK"};
        const wchar_t* pszLabel = encoding == E::kShiftJis ? m_random.Pick(kShiftJisLabels)
                                  : encoding == E::kGbk    ? m_random.Pick(kGbkLabels)
                                                           : nullptr;

        std::vector<std::wstring> lines;
        if (m_random.Percent(40)) lines.push_back(L"<!DOCTYPE html PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">");
        if (m_random.Percent(10)) lines.push_back(m_random.Pick(kComments));
        if (m_random.Percent(90)) lines.push_back(L"<" + Name(L"html") + (m_random.Percent(20) ? L" lang=de>" : L">"));
        Head(lines, pszLabel);
        Body(lines);
        if (m_random.Percent(80)) lines.push_back(L"</" + Name(L"html") + L">");
        static const wchar_t* const kCut[] = {L"<a href=\"x", L"<!-- open", L"<p", L"</tit", L"<body bgcolor="};
        if (m_random.Percent(4)) lines.push_back(m_random.Pick(kCut)); // a file that ends inside markup
        const bool bUtf16 = encoding == F::encodingUtf16LE || encoding == F::encodingUtf16BE;
        if (bUtf16 && m_random.Percent(3)) lines.push_back(std::wstring(L"lone ") + wchar_t(0xD800) + L" surrogate");

        // Line ends: one kind for the file, or a mix.
        const int nLineEnds = m_random.Below(20);
        std::wstring text;
        for (size_t i = 0; i < lines.size(); ++i) {
            text += lines[i];
            if (i + 1 < lines.size() || !m_random.Percent(20)) // the last line may end without one
                text += nLineEnds < 8 ? L"\r\n" : nLineEnds < 16 ? L"\n" : nLineEnds < 19 ? m_random.Pick(kLineEnds) : L"\r";
        }

        std::string bytes = EncodeText(text, encoding, bMark);
        if (bUtf16 && m_random.Percent(3)) bytes += '\x42'; // an odd last byte
        if (encoding == F::encodingUtf8 && bMark && m_random.Percent(3)) // a stray byte
            bytes.insert(3 + static_cast<size_t>(m_random.Below(static_cast<int>(bytes.size() - 2))), "\xE9");
        if (pszLabel) AddBytesTheDecoderRejects(bytes, encoding == E::kShiftJis);
        const char* pszLineEnds = nLineEnds < 8 ? "CR LF" : nLineEnds < 16 ? "LF" : nLineEnds < 19 ? "mixed" : "CR";
        return {bytes, std::string(pszEncoding) + ", " + std::to_string(bytes.size()) + " bytes, line ends " + pszLineEnds};
    }

    // Now and then a byte the decoder rejects somewhere (it may split a
    // pair, or land in the declaration, which then no longer counts), or a
    // lead byte that ends the file without its trail byte.
    void AddBytesTheDecoderRejects(std::string& bytes, bool bShiftJis)
    {
        if (m_random.Percent(4)) {
            static const char* const kShiftJisStrays[] = {"\xA0", "\xFD", "\x81", "\xEF"};
            static const char* const kGbkStrays[] = {"\xFF", "\x81", "\xA1"};
            const size_t at = static_cast<size_t>(m_random.Below(static_cast<int>(bytes.size()) + 1));
            bytes.insert(at, bShiftJis ? m_random.Pick(kShiftJisStrays) : m_random.Pick(kGbkStrays));
        }
        if (m_random.Percent(3)) bytes += bShiftJis ? "\x82" : "\x81";
    }

    CHtmlFileFrameset* NewFrameset()
    {
        auto* pFrameset = new CHtmlFileFrameset;
        CString strCols(m_random.Percent(50) ? L"30%,70%" : L"*"), strRows(L"");
        pFrameset->SetSizes(strCols, strRows);
        for (const wchar_t* pszName : {L"toc", L"main"}) {
            auto* pFrame = new CHtmlFileFrame;
            pFrame->m_strName = pszName;
            pFrame->m_strSrc = pszName + std::wstring(L".htm");
            pFrameset->m_listItems.AddTail(pFrame);
        }
        return pFrameset;
    }

    std::string RandomEdits(CHtmlFile& doc)
    {
        auto colour = [this] { return m_random.Percent(20) ? NO_COLOR : static_cast<COLORREF>(m_random.Next() & 0xFFFFFF); };
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
            case 2: doc.SetBgColor(colour()); break;
            case 3: doc.SetTextColor(colour()); break;
            case 4: doc.SetBgImage(m_random.Percent(25) ? L"" : Path(L".jpg").c_str()); break;
            case 5: doc.SetWaterMark(m_random.Percent(50)); break;
            case 6: doc.SetBgSound(Path(L".mid").c_str(), m_random.Percent(50) ? -1 : 2); break;
            case 7: {
                auto* pMap = new CHTMLMap((L"new" + std::to_wstring(m_random.Below(100))).c_str());
                for (int k = 0, nAreas = m_random.Below(3); k < nAreas; ++k)
                    pMap->AddMapArea(new CHTMLMapArea(L"rect", L"0,0,5,5", L"t.htm", k ? L"Tip & more" : nullptr, nullptr));
                if (!doc.InsertMap(pMap)) delete pMap;
                break;
            }
            case 8: {
                auto* pObject = new CHTMLObjectTag();
                pObject->SetAttribute(L"id", (L"new" + std::to_wstring(m_random.Below(100))).c_str());
                if (m_random.Percent(50)) pObject->SetAttribute(L"classid", L"clsid:52A2AAAE-085D-4187-97EA-8C30DB990436");
                if (m_random.Percent(50)) pObject->AddParam(new CHTMLParam(L"Keyword", L"Neu & ü"));
                if (!doc.InsertObjectTag(pObject)) delete pObject;
                break;
            }
            case 9: { // deletes or restores one object
                int nSkip = doc.GetNumObjectTags() ? m_random.Below(doc.GetNumObjectTags()) : 0;
                for (POSITION pos = doc.GetObjectTagHeadPosition(); pos;)
                    if (CHTMLObjectTag* pObject = doc.GetNextObjectTag(pos); nSkip-- == 0 && pObject)
                        pObject->Delete(!pObject->IsDeleted());
                break;
            }
            case 10: doc.AddFrameset(NewFrameset()); break;
            case 11: {
                CHtmlFileFrameset* pFrameset = NewFrameset();
                if (!doc.SetFrameset(pFrameset)) delete pFrameset;
                break;
            }
            default: doc.SetLinkColor(colour()); break;
            }
        }
        return log.empty() ? "no edits" : "edits " + log;
    }
};

GeneratedTopic TopicGenerator::Topic()
{
    return Builder{m_random, m_script}.Topic();
}

std::string TopicGenerator::RandomEdits(CHtmlFile& doc)
{
    return Builder{m_random, m_script}.RandomEdits(doc);
}

void TopicGenerator::UseScriptOf(const wchar_t* pszEncoding)
{
    const std::wstring name(pszEncoding ? pszEncoding : L"");
    if (name == L"Shift_JIS" || name == L"EUC-JP" || name == L"ISO-2022-JP") m_script = TextScript::Japanese;
    else if (name == L"GBK" || name == L"gb18030" || name == L"Big5") m_script = TextScript::Chinese;
    else m_script = TextScript::Any;
}
