#include "error/error.hpp"

#include <gtest/gtest.h>

#include <cerrno>

namespace quillstone {
namespace {

TEST(ErrorTexts, EachCase) {
    EXPECT_EQ(Error::io("a.pdf", IoError::from_errno(ENOENT)).message(),
              "failed to read a.pdf: No such file or directory (os error 2)");
    EXPECT_EQ(Error::pdf_open("a.pdf: invalid password").message(),
              "could not open the document: a.pdf: invalid password");
    EXPECT_EQ(Error::pdf_page(3, "malformed pdf: x").message(),
              "failed while reading page 3: malformed pdf: x");
    EXPECT_EQ(Error::page_out_of_range(7).message(), "page 7 is out of range");
    EXPECT_EQ(Error::scanned_document("s.pdf", 6, 10).debug(),
              "Scanned { path: \"s.pdf\", scanned: 6, total: 10 }");
}

TEST(FailureReport, NoCauseOneCauseSeveralCauses) {
    EXPECT_EQ(Failure(Error::page_out_of_range(7)).report(), "Error: page 7 is out of range\n");

    EXPECT_EQ(Failure(Error::pdf_open("x.pdf: io error: gone")).context("extracting x.pdf").report(),
              "Error: extracting x.pdf\n\nCaused by:\n"
              "    could not open the document: x.pdf: io error: gone\n");

    const Failure deep =
        Failure(Error::pdf_page(2, "malformed pdf: line one\nline two")).context("converting x");
    EXPECT_EQ(deep.report(),
              "Error: converting x\n\nCaused by:\n"
              "    0: failed while reading page 2: malformed pdf: line one\n"
              "       line two\n"
              "    1: malformed pdf: line one\n"
              "       line two\n");
}

TEST(FailureReport, BrokenPipeAnywhereInTheChain) {
    EXPECT_TRUE(Failure(IoError::from_errno(EPIPE)).context("writing out").broken_pipe());
    EXPECT_TRUE(Failure(Error::io("f", IoError::from_errno(EPIPE))).broken_pipe());
    EXPECT_FALSE(Failure(IoError::from_errno(ENOSPC)).broken_pipe());
}

} // namespace
} // namespace quillstone
