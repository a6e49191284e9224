#include "tools/nslookup/nslookup_cli.h"

#include <cstdio>

namespace dravelo::nslookup {
namespace {

constexpr std::string_view crlf = "\r\n";
constexpr std::string_view server_name = "UnKnown";  // nslookup's word for a nameless server
constexpr std::uint16_t opt_pseudo_type = 41;        // EDNS, not a record to show

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

std::string reverse_name(const std::array<std::uint8_t, 4>& a) {
  return std::to_string(a[3]) + '.' + std::to_string(a[2]) + '.' + std::to_string(a[1]) + '.' +
         std::to_string(a[0]) + ".in-addr.arpa";
}

std::string_view name_problem(dns::NameError e) {
  switch (e) {
    case dns::NameError::empty_label: return "empty label";
    case dns::NameError::label_too_long: return "label longer than 63 bytes";
    case dns::NameError::name_too_long: return "name longer than 255 bytes";
    case dns::NameError::none: break;
  }
  return "bad name";
}

Parsed failure(std::string message) { return Parsed{std::nullopt, std::move(message)}; }

// Reads "-type=T" (or "-querytype=T"); nullopt with an error for anything else.
std::optional<std::uint16_t> parse_option(std::string_view arg, std::string& error) {
  for (const std::string_view prefix : {"-type=", "-querytype="}) {
    if (!starts_with_ignoring_case(arg, prefix)) continue;
    const std::string_view value = arg.substr(prefix.size());
    const auto type = dns::type_from_name(value);
    if (!type) error = "*** Unknown query type: " + ascii_safe(value);
    return type;
  }
  error = "*** Unknown option: " + ascii_safe(arg);
  return std::nullopt;
}

Parsed make_request(std::string_view name, std::optional<std::uint16_t> type,
                    std::string_view server) {
  Request req;
  req.shown_name = std::string(name);
  req.server = std::string(server);
  if (const auto address = parse_ipv4(name)) {
    // As nslookup does: a bare address means its in-addr.arpa name, and asking for its A record
    // means asking for its PTR record.
    req.query_name = reverse_name(*address);
    req.type = !type || *type == dns::rrtype::A ? dns::rrtype::PTR : *type;
    req.style = !type || *type == dns::rrtype::A ? Style::reverse : Style::records;
    return Parsed{std::move(req), {}};
  }
  if (const auto e = dns::check_name(name); e != dns::NameError::none) {
    return failure("*** Invalid domain name: " + ascii_safe(name) + " (" +
                   std::string(name_problem(e)) + ")");
  }
  req.query_name = std::string(name);
  req.type = type.value_or(dns::rrtype::A);
  const bool address = req.type == dns::rrtype::A || req.type == dns::rrtype::AAAA;
  req.style = address ? Style::address : Style::records;
  return Parsed{std::move(req), {}};
}

std::string rcode_text(std::uint8_t rcode) {
  switch (rcode) {
    case dns::rcode::format_error: return "Format error";
    case dns::rcode::server_failure: return "Server failed";
    case dns::rcode::name_error: return "Non-existent domain";
    case dns::rcode::not_implemented: return "Not implemented";
    case dns::rcode::refused: return "Query refused";
    default: return "Error code " + std::to_string(rcode);
  }
}

void add_cannot_find(Report& report, const Request& request, std::string_view why) {
  report.line(Stream::err, "*** " + std::string(server_name) + " can't find " +
                               ascii_safe(request.shown_name) + ": " + std::string(why));
  report.exit_code = 1;
}

void add_list(Report& report, std::string_view one, std::string_view several,
              const std::vector<std::string>& items) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::string_view lead = i > 0 ? "\t  " : items.size() > 1 ? several : one;
    report.line(Stream::out, std::string(lead) + items[i]);
  }
}

void add_non_authoritative(Report& report, const dns::Message& m) {
  if (!m.header.aa) report.line(Stream::err, "Non-authoritative answer:");
}

void add_addresses(Report& report, const Request& request, const dns::Message& m) {
  std::vector<std::string> addresses;
  std::vector<std::string> aliases;
  std::string name;
  std::string alias_target;
  for (const auto& rec : m.answers) {
    if (rec.type == request.type) {
      if (const auto* v4 = std::get_if<dns::Ipv4>(&rec.data)) addresses.push_back(format_ipv4(v4->bytes));
      if (const auto* v6 = std::get_if<dns::Ipv6>(&rec.data)) addresses.push_back(format_ipv6(v6->bytes));
      if (name.empty()) name = rec.name;
    } else if (const auto* target = std::get_if<dns::DomainName>(&rec.data);
               target && rec.type == dns::rrtype::CNAME) {
      aliases.push_back(rec.name);
      alias_target = target->name;
    }
  }
  if (addresses.empty() && aliases.empty()) return add_cannot_find(report, request, "No answer");
  add_non_authoritative(report, m);
  report.line(Stream::out, "Name:    " + (name.empty() ? alias_target : name));
  add_list(report, "Address:  ", "Addresses:  ", addresses);
  add_list(report, "Aliases:  ", "Aliases:  ", aliases);
  report.line(Stream::out, "");
  report.exit_code = 0;
}

void add_reverse(Report& report, const Request& request, const dns::Message& m) {
  for (const auto& rec : m.answers) {
    const auto* target = std::get_if<dns::DomainName>(&rec.data);
    if (!target || rec.type != dns::rrtype::PTR) continue;
    add_non_authoritative(report, m);
    report.line(Stream::out, "Name:    " + target->name);
    report.line(Stream::out, "Address:  " + format_ipv4(*parse_ipv4(request.shown_name)));
    report.line(Stream::out, "");
    report.exit_code = 0;
    return;
  }
  add_cannot_find(report, request, "No answer");
}

void add_records(Report& report, const std::vector<dns::Record>& records) {
  for (const auto& rec : records) {
    if (rec.type != opt_pseudo_type) report.text(Stream::out, format_record(rec));
  }
}

void add_record_lines(Report& report, const Request& request, const dns::Message& m) {
  if (m.answers.empty()) return add_cannot_find(report, request, "No answer");
  add_non_authoritative(report, m);
  add_records(report, m.answers);
  // nslookup shows the servers and addresses that came with the answer after a blank line.
  Report extra;
  add_records(extra, m.authority);
  add_records(extra, m.additional);
  if (!extra.chunks().empty()) {
    report.line(Stream::out, "");
    report.text(Stream::out, extra.all(Stream::out));
  }
  report.exit_code = 0;
}

std::string txt_string(std::string_view bytes) {
  std::string out = "\t\"";
  for (const char c : bytes) {
    if (c == '"' || c == '\\') out += '\\';
    out += ascii_safe(std::string_view(&c, 1));
  }
  return out + "\"";
}

std::string soa_lines(const dns::Record& rec, const dns::Soa& soa) {
  std::string s = rec.name + std::string(crlf);
  s += "\tprimary name server = " + soa.mname + std::string(crlf);
  s += "\tresponsible mail addr = " + soa.rname + std::string(crlf);
  s += "\tserial  = " + std::to_string(soa.serial) + std::string(crlf);
  s += "\trefresh = " + format_seconds(soa.refresh) + std::string(crlf);
  s += "\tretry   = " + format_seconds(soa.retry) + std::string(crlf);
  s += "\texpire  = " + format_seconds(soa.expire) + std::string(crlf);
  s += "\tdefault TTL = " + format_seconds(soa.minimum) + std::string(crlf);
  return s;
}

std::string txt_lines(const dns::Record& rec, const dns::Txt& txt) {
  std::string s = rec.name + "\ttext =" + std::string(crlf) + std::string(crlf);
  for (const auto& str : txt.strings) s += txt_string(str) + std::string(crlf);
  return s;
}

std::string raw_line(const dns::Record& rec, const dns::Raw& raw) {
  static constexpr char hex[] = "0123456789abcdef";
  std::string s = rec.name + "\tTYPE" + std::to_string(rec.type) + " = \\# " +
                  std::to_string(raw.bytes.size());
  if (!raw.bytes.empty()) s += ' ';
  for (const std::uint8_t b : raw.bytes) {
    s += hex[b >> 4];
    s += hex[b & 0xf];
  }
  return s + std::string(crlf);
}

std::string name_line(const dns::Record& rec, const dns::DomainName& n) {
  std::string_view label = "name = ";
  if (rec.type == dns::rrtype::NS) label = "nameserver = ";
  if (rec.type == dns::rrtype::CNAME) label = "canonical name = ";
  return rec.name + '\t' + std::string(label) + n.name + std::string(crlf);
}

std::string unit(std::uint32_t count, std::string_view one, std::string_view several) {
  return std::to_string(count) + ' ' + std::string(count == 1 ? one : several);
}

}  // namespace

std::optional<std::array<std::uint8_t, 4>> parse_ipv4(std::string_view text) {
  std::array<std::uint8_t, 4> a{};
  for (std::size_t i = 0; i < a.size(); ++i) {
    const std::size_t dot = text.find('.');
    const std::string_view part = text.substr(0, dot);
    if (part.empty() || part.size() > 3 || (i < 3) != (dot != std::string_view::npos)) {
      return std::nullopt;
    }
    unsigned value = 0;
    for (const char c : part) {
      if (c < '0' || c > '9') return std::nullopt;
      value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 255) return std::nullopt;
    a[i] = static_cast<std::uint8_t>(value);
    text = dot == std::string_view::npos ? std::string_view{} : text.substr(dot + 1);
  }
  return a;
}

Parsed parse_command_line(std::span<const std::string_view> args) {
  std::optional<std::uint16_t> type;
  std::vector<std::string_view> words;
  for (const std::string_view arg : args) {
    if (!arg.starts_with('-')) {
      words.push_back(arg);
      continue;
    }
    std::string error;
    type = parse_option(arg, error);
    if (!type) return failure(std::move(error));
  }
  if (words.empty()) return failure("Usage: nslookup [-type=TYPE] NAME [SERVER]");
  if (words.size() > 2) return failure("*** Too many arguments: " + ascii_safe(words[2]));
  const std::string_view server = words.size() == 2 ? words[1] : std::string_view{};
  if (words.size() == 2 && !parse_ipv4(server)) {
    return failure("*** Can't find address for server " + ascii_safe(server) +
                   ": not an IPv4 address");
  }
  return make_request(words[0], type, server);
}

void Report::text(Stream stream, std::string_view text) {
  if (!chunks_.empty() && chunks_.back().stream == stream) {
    chunks_.back().text += text;
  } else {
    chunks_.push_back(Chunk{stream, std::string(text)});
  }
}

void Report::line(Stream stream, std::string_view text) {
  this->text(stream, std::string(text) + std::string(crlf));
}

std::string Report::all(Stream stream) const {
  std::string s;
  for (const auto& c : chunks_) {
    if (c.stream == stream) s += c.text;
  }
  return s;
}

void add_server_header(Report& report, std::string_view server_address) {
  report.line(Stream::out, "Server:  " + std::string(server_name));
  report.line(Stream::out, "Address:  " + ascii_safe(server_address));
  report.line(Stream::out, "");
}

void add_timeout_notice(Report& report) {
  report.line(Stream::out, "DNS request timed out.");
  report.line(Stream::out, "    timeout was " + std::to_string(timeout_seconds) + " seconds.");
}

void add_timed_out(Report& report) {
  report.line(Stream::err, "*** Request to " + std::string(server_name) + " timed-out");
  report.exit_code = 1;
}

void add_response(Report& report, const Request& request, const dns::Decoded& response) {
  const dns::Message& m = response.message;
  if (response.error != dns::DecodeError::short_header && m.header.rcode != dns::rcode::no_error) {
    return add_cannot_find(report, request, rcode_text(m.header.rcode));
  }
  if (response.error != dns::DecodeError::none) {
    return add_cannot_find(report, request,
                           "Unparsable reply (" + std::string(describe(response.error)) + ")");
  }
  switch (request.style) {
    case Style::address: return add_addresses(report, request, m);
    case Style::reverse: return add_reverse(report, request, m);
    case Style::records: return add_record_lines(report, request, m);
  }
}

std::string format_record(const dns::Record& rec) {
  const std::string lead = rec.name + '\t';
  if (const auto* a = std::get_if<dns::Ipv4>(&rec.data)) {
    return lead + "internet address = " + format_ipv4(a->bytes) + std::string(crlf);
  }
  if (const auto* a = std::get_if<dns::Ipv6>(&rec.data)) {
    return lead + "AAAA IPv6 address = " + format_ipv6(a->bytes) + std::string(crlf);
  }
  if (const auto* n = std::get_if<dns::DomainName>(&rec.data)) return name_line(rec, *n);
  if (const auto* mx = std::get_if<dns::Mx>(&rec.data)) {
    return lead + "MX preference = " + std::to_string(mx->preference) +
           ", mail exchanger = " + mx->exchange + std::string(crlf);
  }
  if (const auto* soa = std::get_if<dns::Soa>(&rec.data)) return soa_lines(rec, *soa);
  if (const auto* txt = std::get_if<dns::Txt>(&rec.data)) return txt_lines(rec, *txt);
  return raw_line(rec, std::get<dns::Raw>(rec.data));
}

std::string format_ipv4(const std::array<std::uint8_t, 4>& a) {
  return std::to_string(a[0]) + '.' + std::to_string(a[1]) + '.' + std::to_string(a[2]) + '.' +
         std::to_string(a[3]);
}

// RFC 5952: lower-case hex, no leading zeros, the longest run of two or more zero groups (the
// first of equal runs) as "::", and an IPv4-mapped address with its IPv4 part dotted.
std::string format_ipv6(const std::array<std::uint8_t, 16>& a) {
  std::array<unsigned, 8> g{};
  for (std::size_t i = 0; i < g.size(); ++i) g[i] = static_cast<unsigned>(a[2 * i] << 8 | a[2 * i + 1]);
  const bool mapped = g[0] == 0 && g[1] == 0 && g[2] == 0 && g[3] == 0 && g[4] == 0 && g[5] == 0xffff;
  if (mapped) return "::ffff:" + format_ipv4({a[12], a[13], a[14], a[15]});
  std::size_t best = g.size(), best_len = 1;
  for (std::size_t i = 0; i < g.size();) {
    std::size_t j = i;
    while (j < g.size() && g[j] == 0) ++j;
    if (j - i > best_len) best = i, best_len = j - i;
    i = j == i ? i + 1 : j;
  }
  std::string s;
  for (std::size_t i = 0; i < g.size(); ++i) {
    if (i == best) {
      s += "::";
      i += best_len - 1;
      continue;
    }
    if (!s.empty() && !s.ends_with(':')) s += ':';
    char buf[8];
    std::snprintf(buf, sizeof buf, "%x", g[i]);
    s += buf;
  }
  return s;
}

std::string format_seconds(std::uint32_t seconds) {
  const std::uint32_t parts[] = {seconds / 86400, seconds / 3600 % 24, seconds / 60 % 60,
                                 seconds % 60};
  static constexpr std::string_view ones[] = {"day", "hour", "min", "sec"};
  static constexpr std::string_view manies[] = {"days", "hours", "mins", "secs"};
  std::string words;
  for (std::size_t i = 0; i < std::size(parts); ++i) {
    if (parts[i] == 0) continue;
    if (!words.empty()) words += ' ';
    words += unit(parts[i], ones[i], manies[i]);
  }
  if (words.empty()) words = "0 secs";
  return std::to_string(seconds) + " (" + words + ")";
}

std::string ascii_safe(std::string_view bytes) {
  std::string out;
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b >= 0x20 && b <= 0x7e) {
      out += c;
      continue;
    }
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\%03u", static_cast<unsigned>(b));
    out += buf;
  }
  return out;
}

}  // namespace dravelo::nslookup
