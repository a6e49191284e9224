// libFuzzer target: any bytes as a DNS reply, through the decoder and everything that prints
// a reply. Built by the fuzz script with clang; not part of the CMake build.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "tools/nslookup/dns_message.h"
#include "tools/nslookup/nslookup_cli.h"

namespace {

using namespace dravelo;

void require(bool condition) {
  if (!condition) std::abort();
}

void check_section(const std::vector<dns::Record>& records, std::uint16_t count) {
  require(records.size() <= count);
  for (const auto& r : records) {
    // Presentation form: printable ASCII, and at most 255 wire bytes each escaped to 4 chars.
    require(r.name.size() <= 4 * 255);
    for (const char c : r.name) require(c > 0x20 && c < 0x7f);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> wire(data, size);
  const dns::Decoded d = dns::decode(wire);
  const dns::Header& h = d.message.header;
  require(d.message.questions.size() <= h.qdcount);
  check_section(d.message.answers, h.ancount);
  check_section(d.message.authority, h.nscount);
  check_section(d.message.additional, h.arcount);
  for (const auto style : {nslookup::Style::address, nslookup::Style::reverse,
                           nslookup::Style::records}) {
    const nslookup::Request req{"192.0.2.1", "1.2.0.192.in-addr.arpa", dns::rrtype::A, style,
                                "127.0.0.1"};
    nslookup::Report report;
    nslookup::add_response(report, req, d);
    for (const auto& chunk : report.chunks()) {
      for (const char c : chunk.text) require(static_cast<unsigned char>(c) < 0x7f);
    }
  }
  static const auto query = dns::encode_query(0x1234, "example.com", dns::rrtype::A);
  dns::answers_query(query, wire);
  return 0;
}
