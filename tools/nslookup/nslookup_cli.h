// The stand-in's command line and everything it prints, kept apart from the Winsock code so both
// are tested on every build. The wording and layout are those of Windows' own nslookup, because
// Dravelo shows that program's output to its users as it is.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tools/nslookup/dns_message.h"

namespace dravelo::nslookup {

// How the answer is laid out: "Name:/Address:" for addresses, the same for a reverse lookup
// typed as a bare IPv4 address, and one line per record for everything else.
enum class Style { address, reverse, records };

struct Request {
  std::string shown_name;  // as typed, for the messages
  std::string query_name;  // what is asked: the in-addr.arpa name for an address
  std::uint16_t type = dns::rrtype::A;
  Style style = Style::address;
  std::string server;  // a dotted IPv4 address; empty means the system's resolver
};

struct Parsed {
  std::optional<Request> request;
  std::string error;  // one line, when there is no request
};

// nslookup [-type=TYPE] NAME [SERVER]
Parsed parse_command_line(std::span<const std::string_view> args);

std::optional<std::array<std::uint8_t, 4>> parse_ipv4(std::string_view text);

enum class Stream { out, err };

struct Chunk {
  Stream stream;
  std::string text;
  bool operator==(const Chunk&) const = default;
};

// What to print, in order, and the exit status. Lines end CR LF.
class Report {
 public:
  void line(Stream stream, std::string_view text);
  void text(Stream stream, std::string_view text);
  const std::vector<Chunk>& chunks() const { return chunks_; }
  std::string all(Stream stream) const;  // everything written to one stream
  int exit_code = 1;

 private:
  std::vector<Chunk> chunks_;
};

inline constexpr int timeout_seconds = 2;
inline constexpr int tries = 2;

// The block printed before the lookup: the server's name (never looked up, so "UnKnown"), its
// address and a blank line.
void add_server_header(Report& report, std::string_view server_address);
// After each try that got no reply.
void add_timeout_notice(Report& report);
// After the last try got no reply.
void add_timed_out(Report& report);
void add_response(Report& report, const Request& request, const dns::Decoded& response);

// One record in nslookup's wording, as whole CR LF lines.
std::string format_record(const dns::Record& record);
std::string format_ipv4(const std::array<std::uint8_t, 4>& a);
std::string format_ipv6(const std::array<std::uint8_t, 16>& a);
// "3600 (1 hour)", "5400 (1 hour 30 mins)"
std::string format_seconds(std::uint32_t seconds);
// Printable ASCII as it is, anything else as \DDD, so nothing but ASCII ever reaches the pipe.
std::string ascii_safe(std::string_view bytes);

}  // namespace dravelo::nslookup
