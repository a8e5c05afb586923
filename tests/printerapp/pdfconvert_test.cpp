// A PDF job's PostScript from the real Ghostscript: the pages a client asks
// for, and a PDF that is broken, never ends or finds no Ghostscript failing
// with the reason the client is told.
#include "printerapp/pdfconvert.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>

#include "common/safefile.h"
#include "tests/support/run.h"
#include "tests/support/testroot.h"

namespace {

using std::chrono::seconds;

class PdfToPostScript : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(folder() + "pages.ps")
        << "%!PS-Adobe-3.0\n/Helvetica findfont 24 scalefont setfont\n"
           "1 1 3 { 72 720 moveto (Page number ) show 3 string cvs show showpage } for\n";
    tvx::test::Finished made =
        tvx::test::run({.argv = {"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pdfwrite",
                                 "-sOutputFile=" + folder() + "pages.pdf", folder() + "pages.ps"}});
    ASSERT_EQ(made.status, 0) << made.err;
  }

  std::string folder() const { return root_.path().string() + "/tmp/"; }

  // The conversion of `input` into a private file; its PostScript in `postScript`.
  std::string convert(const std::string& input, tvx::papp::PageRange pages, seconds limit) {
    std::optional<tvx::PrivateTemp> output = tvx::PrivateTemp::create(folder(), "out-");
    std::optional<tvx::PrivateTemp> errors = tvx::PrivateTemp::create(folder(), "err-");
    if (!output || !errors) return "no output file";
    std::string why = tvx::papp::pdfToPostScript(input, pages, fileno(output->stream()),
                                                 fileno(errors->stream()), limit);
    postScript = contentOf(output->stream());
    messages = contentOf(errors->stream());
    return why;
  }

  static std::string contentOf(FILE* stream) {
    std::rewind(stream);
    std::string content;
    char buffer[4096];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, stream)) > 0) {
      content.append(buffer, count);
    }
    return content;
  }

  // The text of each page `postScript` prints, as Ghostscript renders it.
  std::string renderedText() {
    std::ofstream(folder() + "out.ps", std::ios::binary) << postScript;
    tvx::test::Finished text =
        tvx::test::run({.argv = {"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=txtwrite",
                                 "-sOutputFile=-", folder() + "out.ps"}});
    EXPECT_EQ(text.status, 0) << text.err;
    return text.out;
  }

  static int pageCount(const std::string& text) {
    int count = 0;
    for (const std::string& line : tvx::test::linesOf(text)) count += line.starts_with("%%Page:");
    return count;
  }

  tvx::test::PrivateRoot root_;
  std::string postScript;
  std::string messages;
};

TEST_F(PdfToPostScript, EveryPageWithoutARangeAndOnlyTheRangesPagesWithOne) {
  EXPECT_EQ(convert(folder() + "pages.pdf", {}, seconds(60)), "");
  EXPECT_EQ(pageCount(postScript), 3);
  EXPECT_EQ(messages, "");

  EXPECT_EQ(convert(folder() + "pages.pdf", {2, 3}, seconds(60)), "");
  EXPECT_EQ(pageCount(postScript), 2);
  std::string text = renderedText();
  EXPECT_EQ(text.find("Page number 1"), std::string::npos) << text;
  EXPECT_NE(text.find("Page number 2"), std::string::npos) << text;
  EXPECT_NE(text.find("Page number 3"), std::string::npos) << text;

  EXPECT_EQ(convert(folder() + "pages.pdf", {2, 0}, seconds(60)), "");
  EXPECT_EQ(pageCount(postScript), 2);
}

TEST_F(PdfToPostScript, APdfGhostscriptMustRepairFails) {
  std::ofstream(folder() + "broken.pdf")
      << "%PDF-1.4\n1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n"
         "trailer\n<< /Root 1 0 R >>\n%%EOF\n";
  EXPECT_EQ(convert(folder() + "broken.pdf", {}, seconds(60)),
            "Ghostscript could not read the PDF (exit status 1)");
  // What the job's log shows of it.
  EXPECT_NE(messages.find("Error"), std::string::npos) << messages;
  EXPECT_EQ(convert(folder() + "missing.pdf", {}, seconds(60)),
            "Ghostscript could not read the PDF (exit status 1)");
}

TEST_F(PdfToPostScript, AJobThatNeverEndsIsStoppedAtTheLimit) {
  std::ofstream(folder() + "endless.pdf") << "%!PS\n{} loop\n";
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(convert(folder() + "endless.pdf", {}, seconds(1)),
            "Ghostscript took longer than 1 s on the PDF");
  EXPECT_LT(std::chrono::steady_clock::now() - start, seconds(10));
}

TEST_F(PdfToPostScript, WithoutGhostscriptTheJobFailsAndSaysSo) {
  std::string path = std::getenv("PATH");
  ::setenv("PATH", folder().c_str(), 1);
  std::string why = convert(folder() + "pages.pdf", {}, seconds(60));
  ::setenv("PATH", path.c_str(), 1);
  EXPECT_EQ(why, "Ghostscript (gs) could not be run");
  EXPECT_EQ(postScript, "");
}

}  // namespace
