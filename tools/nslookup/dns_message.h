// DNS messages as RFC 1035 lays them out (plus AAAA from RFC 3596): a query builder and a
// decoder for whole responses. Portable on purpose, so the same code is tested natively, under
// Wine and by the fuzzer. No Windows headers here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace dravelo::dns {

namespace rrtype {
inline constexpr std::uint16_t A = 1;
inline constexpr std::uint16_t NS = 2;
inline constexpr std::uint16_t CNAME = 5;
inline constexpr std::uint16_t SOA = 6;
inline constexpr std::uint16_t PTR = 12;
inline constexpr std::uint16_t MX = 15;
inline constexpr std::uint16_t TXT = 16;
inline constexpr std::uint16_t AAAA = 28;
}  // namespace rrtype

inline constexpr std::uint16_t class_in = 1;

namespace rcode {
inline constexpr std::uint8_t no_error = 0;
inline constexpr std::uint8_t format_error = 1;
inline constexpr std::uint8_t server_failure = 2;
inline constexpr std::uint8_t name_error = 3;
inline constexpr std::uint8_t not_implemented = 4;
inline constexpr std::uint8_t refused = 5;
}  // namespace rcode

inline constexpr std::size_t header_size = 12;
inline constexpr std::uint16_t port = 53;

// The record types this tool asks for, by their usual mnemonic in any letter case.
std::optional<std::uint16_t> type_from_name(std::string_view mnemonic);

enum class NameError { none, empty_label, label_too_long, name_too_long };

// Checks a name typed by a user: dot-separated labels of 1 to 63 bytes, 255 bytes in all on the
// wire. One trailing dot is allowed, and "." alone is the root.
NameError check_name(std::string_view name);

// A standard query with recursion desired and one IN question; empty when the name is bad.
std::vector<std::uint8_t> encode_query(std::uint16_t id, std::string_view name,
                                       std::uint16_t type);

struct Header {
  std::uint16_t id = 0;
  bool qr = false;
  std::uint8_t opcode = 0;
  bool aa = false;
  bool tc = false;
  bool rd = false;
  bool ra = false;
  std::uint8_t rcode = 0;
  std::uint16_t qdcount = 0;
  std::uint16_t ancount = 0;
  std::uint16_t nscount = 0;
  std::uint16_t arcount = 0;
  bool operator==(const Header&) const = default;
};

// Decoded names are in presentation form: labels joined by dots, no trailing dot, the root as
// ".", and a dot or backslash inside a label or any byte that is not printable ASCII escaped as
// \. \\ or \DDD. So a decoded name is always plain ASCII and always prints as it is.
struct Question {
  std::string name;
  std::uint16_t type = 0;
  std::uint16_t klass = 0;
  bool operator==(const Question&) const = default;
};

struct Ipv4 {
  std::array<std::uint8_t, 4> bytes{};
  bool operator==(const Ipv4&) const = default;
};
struct Ipv6 {
  std::array<std::uint8_t, 16> bytes{};
  bool operator==(const Ipv6&) const = default;
};
// NS, CNAME and PTR all carry one name.
struct DomainName {
  std::string name;
  bool operator==(const DomainName&) const = default;
};
struct Mx {
  std::uint16_t preference = 0;
  std::string exchange;
  bool operator==(const Mx&) const = default;
};
struct Soa {
  std::string mname;
  std::string rname;
  std::uint32_t serial = 0;
  std::uint32_t refresh = 0;
  std::uint32_t retry = 0;
  std::uint32_t expire = 0;
  std::uint32_t minimum = 0;
  bool operator==(const Soa&) const = default;
};
// The character-strings as their raw bytes; escaping is left to whoever prints them.
struct Txt {
  std::vector<std::string> strings;
  bool operator==(const Txt&) const = default;
};
// Any other type, kept as it came.
struct Raw {
  std::vector<std::uint8_t> bytes;
  bool operator==(const Raw&) const = default;
};
using Rdata = std::variant<Raw, Ipv4, Ipv6, DomainName, Mx, Soa, Txt>;

struct Record {
  std::string name;
  std::uint16_t type = 0;
  std::uint16_t klass = 0;
  std::uint32_t ttl = 0;
  Rdata data;
  bool operator==(const Record&) const = default;
};

struct Message {
  Header header;
  std::vector<Question> questions;
  std::vector<Record> answers;
  std::vector<Record> authority;
  std::vector<Record> additional;
};

enum class DecodeError {
  none,
  short_header,          // fewer than 12 bytes
  truncated,             // the message ends inside a question or record
  bad_label,             // a label type other than a length or a pointer
  pointer_out_of_range,  // a compression pointer past the end of the message
  pointer_loop,          // a pointer that does not point before the name part it ends
  name_too_long,         // more than 255 bytes of labels
  bad_rdata,             // RDATA that does not fit its type or its RDLENGTH
};

std::string_view describe(DecodeError error);

// On an error the header (unless it is short) and every question and record read before the
// error are kept, so a truncated answer still shows its TC bit and its first records.
struct Decoded {
  Message message;
  DecodeError error = DecodeError::none;
};

Decoded decode(std::span<const std::uint8_t> wire);

// Whether a datagram is the reply to this query: same id, the QR bit, and the same question
// (name compared without regard to ASCII case). A truncated reply may leave the question out.
bool answers_query(std::span<const std::uint8_t> query, std::span<const std::uint8_t> reply);

}  // namespace dravelo::dns
