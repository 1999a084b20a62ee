#include "service/http_response_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestro {
namespace {

using State = HttpResponseReader::State;

// Feeds `wire` in pieces of `piece` bytes, then `empties` empty receives.
HttpResponseReader readAll(const std::string& wire, size_t piece = 1 << 20, int empties = 0) {
  HttpResponseReader reader;
  for (size_t at = 0; at < wire.size() && reader.state() != State::Failed; at += piece)
    reader.feed(std::string_view(wire).substr(at, piece));
  for (int i = 0; i < empties; ++i) reader.feedEmpty();
  return reader;
}

struct Case {
  const char* name;
  std::string wire;
  State state;
  int status;
  std::string body;
  int empties = 0;
};

class ReaderCases : public testing::TestWithParam<Case> {};

TEST_P(ReaderCases, WholeAndBytewise) {
  const Case& c = GetParam();
  for (size_t piece : {size_t{1} << 20, size_t{1}, size_t{7}}) {
    HttpResponseReader reader = readAll(c.wire, piece, c.empties);
    EXPECT_EQ(reader.state(), c.state) << "pieces of " << piece;
    if (c.state == State::Complete) {
      EXPECT_EQ(reader.status(), c.status);
      EXPECT_EQ(reader.body(), c.body);
    }
  }
}

const std::string kBig(100, 'x');

INSTANTIATE_TEST_SUITE_P(
    HttpResponseReader, ReaderCases,
    testing::Values(
        Case{"Length", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", State::Complete, 200, "hello"},
        Case{"LowerCaseLength", "HTTP/1.1 200 OK\r\ncontent-length: 3\r\n\r\nabcdef", State::Complete, 200, "abc"},
        Case{"ZeroLength", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", State::Complete, 200, ""},
        Case{"UntilClose", "HTTP/1.0 200 OK\r\n\r\nall of it", State::Complete, 200, "all of it", 1},
        Case{"UntilCloseStillOpen", "HTTP/1.0 200 OK\r\n\r\npart", State::Body, 200, ""},
        Case{"InterimThenFinal", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok",
             State::Complete, 200, "ok"},
        Case{"Chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n",
             State::Complete, 200, "hello world"},
        Case{"ChunkedUpperHex", "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\nA\r\n0123456789\r\n0\r\n\r\n",
             State::Complete, 200, "0123456789"},
        Case{"ChunkedTrailer",
             "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nTrailer: X-Sum\r\n\r\n2\r\nab\r\n0\r\nX-Sum: 9\r\n\r\n",
             State::Complete, 200, "ab"},
        Case{"ChunkExtension", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;x=y\r\nhello\r\n0\r\n\r\n",
             State::Failed, 0, ""},
        Case{"ChunkSizeNotHex", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nhello\r\n0\r\n\r\n",
             State::Failed, 0, ""},
        Case{"ChunkSizeWithLeadingZeros",
             "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n000000001\r\nx\r\n0002\r\nyz\r\n00000\r\n\r\n",
             State::Complete, 200, "xyz"},
        Case{"ChunkSizeZerosUpToTheLineCap",
             "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + std::string(kMaxChunkSizeLine - 1, '0') +
                 "1\r\nx\r\n0\r\n\r\n",
             State::Complete, 200, "x"},
        Case{"ChunkSizeZerosPastTheLineCap",
             "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + std::string(kMaxChunkSizeLine, '0') +
                 "1\r\nx\r\n0\r\n\r\n",
             State::Failed, 0, ""},
        Case{"ChunkSizeAboveInt32", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n80000000\r\nx",
             State::Failed, 0, ""},
        Case{"ChunkSizeAboveInt32AfterZeros", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n0000080000000\r\nx",
             State::Failed, 0, ""},
        Case{"ChunkWithoutCrLf", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabX\r\n0\r\n\r\n",
             State::Failed, 0, ""},
        Case{"NoStatus", "garbage\r\n\r\n", State::Failed, 0, ""},
        Case{"StatusWithoutNumber", "HTTP/1.1 OK\r\n\r\n", State::Failed, 0, ""},
        Case{"BadLength", "HTTP/1.1 200 OK\r\nContent-Length: 12x\r\n\r\n", State::Failed, 0, ""},
        Case{"LengthOverCap", "HTTP/1.1 200 OK\r\nContent-Length: 16777217\r\n\r\n", State::Failed, 0, ""},
        Case{"LengthRepeatedAlike", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\ncontent-length: 3\r\n\r\nabcdef",
             State::Complete, 200, "abc"},
        Case{"LengthListedAlike", "HTTP/1.1 200 OK\r\nContent-Length: 3 , 3,3\r\n\r\nabc", State::Complete, 200, "abc"},
        Case{"LengthRepeatedDiffering", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Length: 4\r\n\r\nabcd",
             State::Failed, 0, ""},
        Case{"LengthListedDiffering", "HTTP/1.1 200 OK\r\nContent-Length: 3, 4\r\n\r\nabcd", State::Failed, 0, ""},
        Case{"LengthSameNumberWrittenTwoWays", "HTTP/1.1 200 OK\r\nContent-Length: 3, 03\r\n\r\nabc", State::Complete, 200,
             "abc"},
        Case{"LengthWithAnEmptyItem", "HTTP/1.1 200 OK\r\nContent-Length: 3,\r\n\r\nabc", State::Failed, 0, ""},
        Case{"LengthWithLeadingZeros", "HTTP/1.1 200 OK\r\nContent-Length: " + std::string(30, '0') + "2\r\n\r\nok",
             State::Complete, 200, "ok"},
        Case{"LengthBeyond64Bits", "HTTP/1.1 200 OK\r\nContent-Length: 18446744073709551616\r\n\r\n", State::Failed, 0,
             ""},
        Case{"NoContent", "HTTP/1.1 204 No Content\r\n\r\n", State::Complete, 204, ""},
        Case{"FiveEmptyReceivesInHeader", "HTTP/1.1 200 OK\r\n", State::Failed, 0, "", 5},
        Case{"FourEmptyReceivesTolerated", "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\n", State::Body, 0, "", 4}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(HttpResponseReader, HeadersJoinRepeatedValuesAndMatchAnyCase) {
  HttpResponseReader reader = readAll(
      "HTTP/1.1 200 OK\r\nX-Tag: a\r\nx-tag:b\r\nNoColonLine\r\nX-TAG:   c\r\nContent-Length: 0\r\n\r\n");
  ASSERT_EQ(reader.state(), State::Complete);
  EXPECT_EQ(reader.headers().find("x-tag"), "a,b,c");
  EXPECT_EQ(reader.headers().find("NoColonLine"), std::nullopt);
}

TEST(HttpResponseReader, TrailerLinesJoinTheHeaderTable) {
  HttpResponseReader reader = readAll(
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nTrailer: X-Sum\r\n\r\n1\r\na\r\n0\r\nX-Sum: 42\r\n\r\n", 3);
  ASSERT_EQ(reader.state(), State::Complete);
  EXPECT_EQ(reader.headers().find("X-Sum"), "42");
}

TEST(HttpResponseReader, OverlongHeaderFieldsAreSkipped) {
  const std::string longValue(1024, 'v');
  HttpResponseReader reader =
      readAll("HTTP/1.1 200 OK\r\nX-Long: " + longValue + "\r\nX-Fits: " + longValue.substr(1) + "\r\n\r\n", 4096, 1);
  ASSERT_EQ(reader.state(), State::Complete);
  EXPECT_EQ(reader.headers().find("X-Long"), std::nullopt);
  EXPECT_EQ(reader.headers().find("X-Fits"), longValue.substr(1));
}

TEST(HttpResponseReader, HeaderCapCountsInterimResponses) {
  std::string wire;
  while (wire.size() < kMaxHeaderBytes) wire += "HTTP/1.1 100 Continue\r\nX-Pad: " + std::string(200, 'p') + "\r\n\r\n";
  HttpResponseReader reader = readAll(wire, 2048);
  EXPECT_EQ(reader.state(), State::Failed);
}

TEST(HttpResponseReader, HeaderWithoutEndFailsAtTheCap) {
  HttpResponseReader reader;
  reader.feed("HTTP/1.1 200 OK\r\n");
  const std::string line = "X-Pad: " + std::string(1000, 'p') + "\r\n";
  size_t fed = 0;
  while (reader.state() == State::Header && fed < 2 * kMaxHeaderBytes) {
    reader.feed(line);
    fed += line.size();
  }
  EXPECT_EQ(reader.state(), State::Failed);
  EXPECT_LE(fed, kMaxHeaderBytes + line.size());
}

TEST(HttpResponseReader, EndlessTrailerFailsAtTheHeaderCap) {
  HttpResponseReader reader;
  reader.feed("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n");
  size_t fed = 0;
  while (reader.state() == State::Body && fed < 2 * kMaxHeaderBytes) {
    reader.feed("X-T: 1\r\n");
    fed += 8;
  }
  EXPECT_EQ(reader.state(), State::Failed);
}

TEST(HttpResponseReader, BodyCapEndsAnEndlessBody) {
  for (const std::string head : {"HTTP/1.0 200 OK\r\n\r\n", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"}) {
    HttpResponseReader reader;
    reader.feed(head);
    const bool chunked = head.find("chunked") != std::string::npos;
    const std::string piece = chunked ? "1000\r\n" + std::string(0x1000, 'b') + "\r\n" : std::string(0x10000, 'b');
    const size_t payload = chunked ? 0x1000 : 0x10000;
    size_t pieces = 0;
    while (reader.state() == State::Body && pieces < 2 * kMaxBodyBytes / payload) {
      reader.feed(piece);
      ++pieces;
    }
    EXPECT_EQ(reader.state(), State::Failed) << head;
    EXPECT_EQ(pieces, kMaxBodyBytes / payload + 1) << head;
  }
}

TEST(HttpResponseReader, ReceiveSizes) {
  HttpResponseReader reader(4096);
  EXPECT_EQ(reader.receiveSize(), kHeaderReceiveSize);
  reader.feed("HTTP/1.1 200 OK\r\nContent-Length: 10000\r\n\r\n");
  EXPECT_EQ(reader.receiveSize(), 4096u);
  reader.feed(std::string(8000, 'x'));
  EXPECT_EQ(reader.receiveSize(), 2000u);
}

TEST(HttpResponseReader, BytesAfterTheResponseAreNoticed) {
  HttpResponseReader reader = readAll("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nokEXTRA");
  EXPECT_EQ(reader.state(), State::Complete);
  EXPECT_TRUE(reader.hasTrailingBytes());
}

TEST(HttpResponseReader, OnlyAnOrderlyCloseEndsABodyReadUntilClose) {
  HttpResponseReader closed = readAll("HTTP/1.0 200 OK\r\n\r\nabc");
  EXPECT_EQ(closed.feedEmpty(), State::Complete);
  EXPECT_EQ(closed.body(), "abc");
  EXPECT_TRUE(closed.endedByClose());
  // A time-out and a reset look the same to the reader: a failed receive.
  HttpResponseReader broken = readAll("HTTP/1.0 200 OK\r\n\r\nabc");
  EXPECT_EQ(broken.receiveFailed(), State::Failed);
  EXPECT_EQ(broken.body(), "");
  HttpResponseReader withLength = readAll("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nabc");
  EXPECT_EQ(withLength.receiveFailed(), State::Failed);
}

TEST(HttpResponseReader, WhetherTheConnectionIsKept) {
  struct Row {
    const char* name;
    std::string wire;
    int empties;
    bool kept;
  } rows[] = {
      {"HTTP/1.1 with a length", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", 0, true},
      {"HTTP/1.1 chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n", 0, true},
      {"HTTP/1.1 keep-alive", "HTTP/1.1 200 OK\r\nConnection: keep-alive\r\nContent-Length: 0\r\n\r\n", 0, true},
      {"HTTP/1.1 after an HTTP/1.0 interim", "HTTP/1.0 100 Go\r\n\r\nHTTP/1.1 204 None\r\n\r\n", 0, true},
      {"HTTP/1.0 with a length", "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok", 0, false},
      {"HTTP/1.0 keep-alive", "HTTP/1.0 200 OK\r\nConnection: keep-alive\r\nContent-Length: 0\r\n\r\n", 0, false},
      {"no version", "ICY 200 OK\r\nContent-Length: 0\r\n\r\n", 0, false},
      {"Connection: close", "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 0\r\n\r\n", 0, false},
      {"close in a list", "HTTP/1.1 200 OK\r\nConnection: TE,\tCLOSE \r\nContent-Length: 0\r\n\r\n", 0, false},
      {"close in a repeated header",
       "HTTP/1.1 200 OK\r\nConnection: TE\r\nConnection: close\r\nContent-Length: 0\r\n\r\n", 0, false},
      {"bytes after the response", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nokEXTRA", 0, false},
      {"body ended by the close", "HTTP/1.1 200 OK\r\n\r\nall", 1, false},
      {"incomplete", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nok", 0, false},
  };
  for (const auto& row : rows)
    EXPECT_EQ(readAll(row.wire, 1 << 20, row.empties).keepsConnection(), row.kept) << row.name;
}

TEST(HttpStatusLine, NumberAfterFirstWhiteSpace) {
  EXPECT_EQ(parseStatusLine("HTTP/1.1 404 Not Found"), 404);
  EXPECT_EQ(parseStatusLine("HTTP/1.1\t\t302"), 302);
  EXPECT_EQ(parseStatusLine("HTTP/1.1"), -1);
  EXPECT_EQ(parseStatusLine("HTTP/1.1 9999999999"), -1);
}

}  // namespace
}  // namespace kestro
