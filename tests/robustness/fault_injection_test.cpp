// Every read or write of a save or a parse is made to fail in turn. A save
// then either completes with exactly the right file, or fails (CFileException
// or 0) leaving the old file byte-identical, no new or temporary file
// behind, and the document able to save exactly afterwards.
#include <support/GenerateText.h>
#include <support/RoundTrip.h>

#include <gtest/gtest.h>

#include <dirent.h>
#include <htmlfile/outside/TextEncoding.h>
#include <sys/stat.h>

namespace {

// Every kind of recorded element, and text enough for several reads.
std::wstring TopicText()
{
    std::wstring text =
        L"<html>\r\n<head>\r\n<title>Übersicht & more</title>\r\n"
        L"<link rel=stylesheet href=\"style/help.css\">\r\n</head>\r\n"
        L"<object id=kw type=\"application/x-oleobject\"><param name=\"Keyword\" value=\"Drucken\"></object>\r\n"
        L"<body bgcolor=white background=\"img/bg.gif\">\r\n<h1><meta name=template pattern=title></h1>\r\n"
        L"<bgsound src=\"chime.wav\" loop=2>\r\n"
        L"<map name=nav><area shape=rect coords=\"0,0,9,9\" href=\"a.htm\" title=\"A\"></map>\r\n";
    for (int i = 0; i < 60; ++i) text += L"<p>Absatz " + std::to_wstring(i) + L" – ein wenig Text, 日本語.</p>\r\n";
    return text + L"<frameset cols=\"1,2\"><frame src=a.htm><frame src=b.htm></frameset>\r\n</body>\r\n</html>\r\n";
}

std::string Encoded(const std::wstring& text, CkvuuStdioFile::Encoding encoding, bool bMark)
{
    std::string bytes;
    if (bMark) {
        size_t nMark = 0;
        const unsigned char* pMark = htmlfile_text::ByteOrderMarkBytes(encoding, &nMark);
        bytes.assign(reinterpret_cast<const char*>(pMark), nMark);
    }
    unsigned char buffer[4096];
    const wchar_t* p = text.data();
    while (p < text.data() + text.size()) {
        const size_t n = htmlfile_text::EncodeUnits(encoding, &p, text.data() + text.size(), buffer, sizeof buffer);
        bytes.append(reinterpret_cast<const char*>(buffer), n);
    }
    return bytes;
}

int CountFiles(const std::string& strFolder)
{
    int nCount = 0;
    if (DIR* pDir = ::opendir(strFolder.c_str())) {
        while (dirent* pEntry = ::readdir(pDir)) nCount += pEntry->d_name[0] != '.';
        ::closedir(pDir);
    }
    return nCount;
}

void Edit(CHtmlFile& doc)
{
    doc.SetTitle(L"Drucken & Vorschau");
    doc.SetBgColor(0x00336699);
    auto* pObject = new CHTMLObjectTag();
    pObject->SetAttribute(L"id", L"neu");
    pObject->AddParam(new CHTMLParam(L"Keyword", L"Seite"));
    doc.InsertObjectTag(pObject);
    doc.InsertMap(new CHTMLMap(L"extra"));
}

enum class Fault { Read, Write };

void Arm(Fault fault, int n)
{
    if (fault == Fault::Read) htmlfile_testing::FailNthRead(n);
    else htmlfile_testing::FailNthWrite(n);
}

struct Variant {
    const char* pszName;
    std::string strBytes;
    Fault fault;
    bool bInPlace;
};

} // namespace

TEST(FaultInjection, EveryFailingReadOrWriteOfASaveLeavesTheOldFileOrTheRightOne)
{
    const std::wstring text = TopicText();
    std::vector<Variant> variants;
    for (Fault fault : {Fault::Read, Fault::Write}) {
        for (bool bInPlace : {true, false}) {
            variants.push_back({"UTF-8", Encoded(text, CkvuuStdioFile::encodingUtf8, false), fault, bInPlace});
            variants.push_back({"UTF-16LE", Encoded(text, CkvuuStdioFile::encodingUtf16LE, true), fault, bInPlace});
        }
    }

    for (const Variant& v : variants) {
        const std::string strContext = std::string(v.pszName) + (v.fault == Fault::Read ? ", read" : ", write") +
                                       (v.bInPlace ? ", SaveFile" : ", SaveFileAs") + ", failing at n = ";
        int nFailed = 0;
        int nCompletedInARow = 0;
        int n = 1;
        for (; n < 3000 && nCompletedInARow < 3 && !HasFailure(); ++n) {
            TempDir dir;
            ::mkdir(dir.File("out").c_str(), 0755);
            WriteFileBytes(dir.File("t.htm"), v.strBytes);
            const std::wstring strPath = dir.WideFile("t.htm");
            const std::wstring strTarget = v.bInPlace ? strPath : dir.WideFile("out/t.htm");
            RoundTripDocument doc(strPath.c_str(), PARSE_ALL);
            Edit(doc);
            const RoundTripExpectation expectation = RoundTripExpectation::Capture(doc, strTarget);

            Arm(v.fault, n);
            BOOL bSaved = FALSE;
            try {
                bSaved = v.bInPlace ? doc.SaveFile() : doc.SaveFileAs(strTarget.c_str());
            } catch (const CFileException&) {
            }
            htmlfile_testing::ResetFaults();

            if (bSaved) {
                ++nCompletedInARow;
                EXPECT_EQ("", expectation.Check(ReadFileBytes(WideToUtf8(strTarget.c_str())))) << strContext << n;
                EXPECT_EQ(2, CountFiles(dir.Path())) << strContext << n << ": only t.htm and out/";
                EXPECT_EQ(v.bInPlace ? 0 : 1, CountFiles(dir.File("out"))) << strContext << n;
                continue;
            }
            nCompletedInARow = 0;
            ++nFailed;
            EXPECT_EQ(v.strBytes, ReadFileBytes(dir.File("t.htm"))) << strContext << n;
            EXPECT_EQ(2, CountFiles(dir.Path())) << strContext << n << ": only t.htm and out/";
            EXPECT_EQ(0, CountFiles(dir.File("out"))) << strContext << n;
            // The failed save changed nothing in the document either.
            ASSERT_TRUE(v.bInPlace ? doc.SaveFile() : doc.SaveFileAs(strTarget.c_str())) << strContext << n;
            EXPECT_EQ("", expectation.Check(ReadFileBytes(WideToUtf8(strTarget.c_str())))) << strContext << n;
        }
        EXPECT_GT(nFailed, 0) << strContext << ": no fault was ever reached";
        EXPECT_EQ(3, nCompletedInARow) << strContext << " " << n << " still fails";
        std::printf("%s1..%d: %d failed saves checked\n", strContext.c_str(), n - 1, nFailed);
    }
}

// A parse cut short by a failing read keeps the document marked as unread:
// with PARSE_ALL the save reads it again first and writes what a clean
// document writes; with fewer flags it saves what it has, still losing and
// repeating nothing.
TEST(FaultInjection, AParseCutShortStillSavesWithoutLoss)
{
    const std::string strBytes = Encoded(TopicText(), CkvuuStdioFile::encodingUtf8, false);
    TempDir dir;
    WriteFileBytes(dir.File("t.htm"), strBytes);
    const std::wstring strPath = dir.WideFile("t.htm");
    const std::wstring strSaved = dir.WideFile("saved.htm");
    std::string strClean;
    int nCleanCount = 0;
    {
        RoundTripDocument doc(strPath.c_str(), PARSE_ALL);
        nCleanCount = doc.RecordedElements().GetCount();
        ASSERT_EQ("", SaveAndCheck(doc, strSaved));
        strClean = ReadFileBytes(dir.File("saved.htm"));
    }
    int nCut = 0;
    for (DWORD dwFlags : {static_cast<DWORD>(PARSE_ALL), static_cast<DWORD>(PARSE_TITLE | PARSE_OBJECTTAGS)}) {
        for (int n = 1; n <= 8; ++n) {
            htmlfile_testing::FailNthRead(n);
            RoundTripDocument doc(strPath.c_str(), dwFlags);
            htmlfile_testing::ResetFaults();
            nCut += dwFlags == PARSE_ALL && doc.RecordedElements().GetCount() < nCleanCount;
            EXPECT_EQ("", SaveAndCheck(doc, strSaved)) << "flags " << dwFlags << ", read " << n;
            if (dwFlags == PARSE_ALL) {
                EXPECT_EQ(strClean, ReadFileBytes(dir.File("saved.htm"))) << "read " << n;
            }
        }
    }
    EXPECT_GT(nCut, 0) << "no parse was ever cut short";
}
