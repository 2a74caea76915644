// Every read or write of a save or a parse is made to fail in turn. A save
// then either writes exactly the right file, or fails leaving the old files
// byte-identical, no temporary file behind, and the document able to save.
#include <support/FileOps.h>
#include <support/Helpers.h>

#include <gtest/gtest.h>

#include <filesystem>

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

} // namespace

TEST(FaultInjection, EveryFailingReadOrWriteOfASaveLeavesTheOldFileOrTheRightOne)
{
    for (int nVariant = 0; nVariant < 8; ++nVariant) {
        const bool bWrite = nVariant & 4, bInPlace = !(nVariant & 2), bUtf16 = nVariant & 1;
        const std::string strBytes =
            EncodeText(TopicText(), bUtf16 ? CkvuuStdioFile::encodingUtf16LE : CkvuuStdioFile::encodingUtf8, bUtf16);
        // SaveFileAs in UTF-16 replaces an existing file, in UTF-8 makes a new one.
        const bool bReplace = !bInPlace && bUtf16;
        const std::string strContext = std::string(bUtf16 ? "UTF-16LE" : "UTF-8") + (bWrite ? ", write" : ", read") +
                                       (bInPlace ? ", SaveFile" : bReplace ? ", SaveFileAs over a file" : ", SaveFileAs") +
                                       ", failing at n = ";
        int nFailed = 0, nCompletedInARow = 0, n = 1;
        for (; n < 3000 && nCompletedInARow < 3 && !HasFailure(); ++n) {
            TempDir dir;
            std::filesystem::create_directory(std::filesystem::u8path(dir.File("out")));
            WriteBytes(dir.File("t.htm"), strBytes);
            if (bReplace) WriteBytes(dir.File("out/t.htm"), "the old out/t.htm");
            const std::wstring strPath = dir.WideFile("t.htm");
            const std::wstring strTarget = bInPlace ? strPath : dir.WideFile("out/t.htm");
            RoundTripDocument doc(strPath.c_str(), PARSE_ALL);
            doc.SetTitle(L"Drucken & Vorschau");
            doc.SetBgColor(0x00336699);
            auto* pObject = new CHTMLObjectTag();
            pObject->SetAttribute(L"id", L"neu");
            pObject->AddParam(new CHTMLParam(L"Keyword", L"Seite"));
            doc.InsertObjectTag(pObject);
            doc.InsertMap(new CHTMLMap(L"extra"));
            const RoundTripExpectation expectation = RoundTripExpectation::Capture(doc, strTarget);
            auto save = [&] { return bInPlace ? doc.SaveFile() : doc.SaveFileAs(strTarget.c_str()); };

            bWrite ? htmlfile_testing::FailNthWrite(n) : htmlfile_testing::FailNthRead(n);
            BOOL bSaved = FALSE;
            try {
                bSaved = save();
            } catch (const CFileException&) {
            }
            htmlfile_testing::ResetFaults();
            EXPECT_EQ(2u, FilesIn(dir.Path()).size()) << strContext << n << ": only t.htm and out/";
            EXPECT_EQ((bSaved && !bInPlace) || bReplace ? 1u : 0u, FilesIn(dir.File("out")).size()) << strContext << n;
            if (!bSaved || !bInPlace) { EXPECT_EQ(strBytes, ReadBytes(dir.File("t.htm"))) << strContext << n; }
            if (!bSaved) {
                ++nFailed;
                EXPECT_NE(nullptr, doc.GetLastFailure()) << strContext << n;
                if (bReplace) { EXPECT_EQ("the old out/t.htm", ReadBytes(dir.File("out/t.htm"))) << strContext << n; }
                ASSERT_TRUE(save()) << strContext << n; // the failed save changed nothing in the document either
            }
            nCompletedInARow = bSaved ? nCompletedInARow + 1 : 0;
            EXPECT_EQ("", expectation.Check(ReadBytes(WideToUtf8(strTarget.c_str())))) << strContext << n;
        }
        EXPECT_GT(nFailed, 0) << strContext << ": no fault was ever reached";
        EXPECT_EQ(3, nCompletedInARow) << strContext << " " << n << " still fails";
        std::printf("%s1..%d: %d failed saves checked\n", strContext.c_str(), n - 1, nFailed);
    }
}

// A parse cut short by a failing read leaves the document unread: its save
// reads the file again first and writes exactly what a clean document writes.
TEST(FaultInjection, AParseCutShortSavesWhatACleanReadSaves)
{
    TempDir dir;
    WriteBytes(dir.File("t.htm"), EncodeText(TopicText(), CkvuuStdioFile::encodingUtf8, false));
    const std::wstring strPath = dir.WideFile("t.htm"), strSaved = dir.WideFile("saved.htm");
    int nCut = 0;
    for (DWORD dwFlags : {static_cast<DWORD>(PARSE_ALL), static_cast<DWORD>(PARSE_TITLE | PARSE_OBJECTTAGS)}) {
        RoundTripDocument clean(strPath.c_str(), dwFlags);
        const int nCleanCount = clean.RecordedElements().GetCount();
        ASSERT_EQ("", SaveAndCheck(clean, strSaved));
        const std::string strClean = ReadBytes(dir.File("saved.htm"));
        for (int n = 1; n <= 8; ++n) {
            htmlfile_testing::FailNthRead(n);
            RoundTripDocument doc(strPath.c_str(), dwFlags);
            htmlfile_testing::ResetFaults();
            nCut += doc.RecordedElements().GetCount() < nCleanCount;
            EXPECT_TRUE(doc.SaveFileAs(strSaved.c_str())) << "flags " << dwFlags << ", read " << n;
            EXPECT_EQ(strClean, ReadBytes(dir.File("saved.htm"))) << "flags " << dwFlags << ", read " << n;
        }
    }
    EXPECT_GT(nCut, 0) << "no parse was ever cut short";
}
