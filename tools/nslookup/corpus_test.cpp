// Every file the fuzzer was seeded with, or that once found a fault, goes through the decoder
// and the output code on every native build.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "tools/nslookup/dns_message.h"
#include "tools/nslookup/nslookup_cli.h"

namespace {

using namespace dravelo;

std::vector<std::uint8_t> read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool plain_ascii(std::string_view s) {
  for (const char c : s) {
    if (static_cast<unsigned char>(c) > 0x7e) return false;
  }
  return true;
}

void check_records(const std::vector<dns::Record>& records, std::uint16_t count) {
  EXPECT_LE(records.size(), count);
  for (const auto& r : records) EXPECT_TRUE(plain_ascii(r.name)) << r.name;
}

TEST(FuzzCorpus, EveryFileDecodesWithinItsCountsAndPrintsAsAscii) {
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(DNS_CORPUS_DIR)) {
    if (!entry.is_regular_file()) continue;
    ++files;
    SCOPED_TRACE(entry.path().filename().string());
    const auto wire = read_file(entry.path());
    const dns::Decoded d = dns::decode(wire);
    const dns::Header& h = d.message.header;
    EXPECT_LE(d.message.questions.size(), h.qdcount);
    check_records(d.message.answers, h.ancount);
    check_records(d.message.authority, h.nscount);
    check_records(d.message.additional, h.arcount);
    if (d.error == dns::DecodeError::none) {
      EXPECT_EQ(d.message.additional.size(), h.arcount);
    }
    for (const auto style : {nslookup::Style::address, nslookup::Style::reverse,
                             nslookup::Style::records}) {
      const nslookup::Request req{"192.0.2.1", "1.2.0.192.in-addr.arpa", dns::rrtype::A, style,
                                  "127.0.0.1"};
      nslookup::Report report;
      nslookup::add_response(report, req, d);
      for (const auto& chunk : report.chunks()) EXPECT_TRUE(plain_ascii(chunk.text));
    }
  }
  EXPECT_GT(files, 0u) << "no corpus in " << DNS_CORPUS_DIR;
}

}  // namespace
