#include "tools/nslookup/dns_message.h"

#include <algorithm>

namespace dravelo::dns {
namespace {

constexpr std::size_t max_label = 63;
constexpr std::size_t max_name_wire = 255;

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) { return ascii_lower(x) == ascii_lower(y); });
}

void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v >> 8));
  out.push_back(static_cast<std::uint8_t>(v & 0xff));
}

// Calls f(label) for each label of a name that check_name accepted.
template <typename F>
void for_each_label(std::string_view name, F f) {
  if (name == ".") return;
  if (name.ends_with('.')) name.remove_suffix(1);
  while (true) {
    const std::size_t dot = name.find('.');
    f(name.substr(0, dot));
    if (dot == std::string_view::npos) return;
    name.remove_prefix(dot + 1);
  }
}

void append_label_text(std::string& out, std::span<const std::uint8_t> label) {
  for (const std::uint8_t b : label) {
    if (b == '.' || b == '\\') {
      out += '\\';
      out += static_cast<char>(b);
    } else if (b < 0x21 || b > 0x7e) {
      out += '\\';
      out += static_cast<char>('0' + b / 100);
      out += static_cast<char>('0' + b / 10 % 10);
      out += static_cast<char>('0' + b % 10);
    } else {
      out += static_cast<char>(b);
    }
  }
}

// Reads with a bound check on every access. The first failure sticks: later reads return zero
// and the error stays the first one, so callers check once per question or record.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> wire) : wire_(wire), limit_(wire.size()) {}

  bool ok() const { return error_ == DecodeError::none; }
  DecodeError error() const { return error_; }
  void fail(DecodeError e) {
    if (ok()) error_ = e;
  }
  void replace_error(DecodeError e) { error_ = e; }
  std::size_t pos() const { return pos_; }
  std::size_t left() const { return limit_ - pos_; }
  void set_limit(std::size_t limit) { limit_ = limit; }
  void clear_limit() { limit_ = wire_.size(); }

  std::uint8_t u8() { return need(1) ? wire_[pos_++] : 0; }
  std::uint16_t u16() {
    if (!need(2)) return 0;
    const auto v = static_cast<std::uint16_t>(wire_[pos_] << 8 | wire_[pos_ + 1]);
    pos_ += 2;
    return v;
  }
  std::uint32_t u32() {
    const std::uint32_t high = u16();
    return high << 16 | u16();
  }
  std::span<const std::uint8_t> bytes(std::size_t n) {
    if (!need(n)) return {};
    const auto s = wire_.subspan(pos_, n);
    pos_ += n;
    return s;
  }
  std::string name();

 private:
  bool need(std::size_t n) {
    if (!ok()) return false;
    if (left() < n) {
      error_ = DecodeError::truncated;
      return false;
    }
    return true;
  }

  std::span<const std::uint8_t> wire_;
  std::size_t pos_ = 0;
  std::size_t limit_;
  DecodeError error_ = DecodeError::none;
};

// Every pointer must point before the start of the run of labels it ends (the name itself, or
// the place the previous pointer led to). Those starts then strictly decrease, so no message can
// make this loop, however its pointers are arranged.
std::string Reader::name() {
  std::string text;
  std::size_t cursor = pos_;
  std::size_t run_start = pos_;
  std::size_t bound = limit_;  // inline labels stay inside the limit; earlier names need not
  std::size_t wire_length = 0;
  bool jumped = false;
  while (ok()) {
    if (cursor >= bound) {
      fail(DecodeError::truncated);
      break;
    }
    const std::uint8_t len = wire_[cursor];
    if ((len & 0xc0) == 0xc0) {
      if (cursor + 1 >= bound) {
        fail(DecodeError::truncated);
        break;
      }
      const std::size_t target = (len & 0x3fu) << 8 | wire_[cursor + 1];
      if (!jumped) pos_ = cursor + 2;
      jumped = true;
      if (target >= wire_.size()) {
        fail(DecodeError::pointer_out_of_range);
      } else if (target >= run_start) {
        fail(DecodeError::pointer_loop);
      }
      cursor = run_start = target;
      bound = wire_.size();
      continue;
    }
    if (len & 0xc0) {
      fail(DecodeError::bad_label);
      break;
    }
    wire_length += len + 1u;
    if (wire_length > max_name_wire) {
      fail(DecodeError::name_too_long);
      break;
    }
    if (len == 0) {
      if (!jumped) pos_ = cursor + 1;
      break;
    }
    if (bound - cursor - 1 < len) {
      fail(DecodeError::truncated);
      break;
    }
    if (!text.empty()) text += '.';
    append_label_text(text, wire_.subspan(cursor + 1, len));
    cursor += 1u + len;
  }
  if (ok() && text.empty()) text = ".";
  return text;
}

Header read_header(Reader& r) {
  Header h;
  h.id = r.u16();
  const std::uint16_t flags = r.u16();
  h.qr = flags & 0x8000;
  h.opcode = static_cast<std::uint8_t>(flags >> 11 & 0xf);
  h.aa = flags & 0x0400;
  h.tc = flags & 0x0200;
  h.rd = flags & 0x0100;
  h.ra = flags & 0x0080;
  h.rcode = static_cast<std::uint8_t>(flags & 0xf);
  h.qdcount = r.u16();
  h.ancount = r.u16();
  h.nscount = r.u16();
  h.arcount = r.u16();
  return h;
}

template <std::size_t N>
std::array<std::uint8_t, N> fixed_bytes(Reader& r) {
  std::array<std::uint8_t, N> a{};
  const auto s = r.bytes(N);
  if (s.size() == N) std::ranges::copy(s, a.begin());
  return a;
}

Txt read_txt(Reader& r) {
  Txt t;
  while (r.ok() && r.left() > 0) {
    const auto s = r.bytes(r.u8());
    t.strings.emplace_back(s.begin(), s.end());
  }
  if (t.strings.empty()) r.fail(DecodeError::bad_rdata);
  return t;
}

Soa read_soa(Reader& r) {
  Soa s;
  s.mname = r.name();
  s.rname = r.name();
  s.serial = r.u32();
  s.refresh = r.u32();
  s.retry = r.u32();
  s.expire = r.u32();
  s.minimum = r.u32();
  return s;
}

Rdata read_rdata_fields(Reader& r, std::uint16_t type) {
  switch (type) {
    case rrtype::A: return Ipv4{fixed_bytes<4>(r)};
    case rrtype::AAAA: return Ipv6{fixed_bytes<16>(r)};
    case rrtype::NS:
    case rrtype::CNAME:
    case rrtype::PTR: return DomainName{r.name()};
    case rrtype::MX: {
      Mx mx;
      mx.preference = r.u16();
      mx.exchange = r.name();
      return mx;
    }
    case rrtype::SOA: return read_soa(r);
    case rrtype::TXT: return read_txt(r);
    default: {
      const auto s = r.bytes(r.left());
      return Raw{{s.begin(), s.end()}};
    }
  }
}

// The RDATA must be exactly RDLENGTH bytes. Running out inside it is a bad record, not a short
// message: the message itself had room for all RDLENGTH bytes.
Rdata read_rdata(Reader& r, std::uint16_t type, std::uint16_t length) {
  if (r.left() < length) {
    r.fail(DecodeError::truncated);
    return Raw{};
  }
  const std::size_t end = r.pos() + length;
  r.set_limit(end);
  Rdata data = read_rdata_fields(r, type);
  r.clear_limit();
  if (r.error() == DecodeError::truncated || (r.ok() && r.pos() != end)) {
    r.replace_error(DecodeError::bad_rdata);
  }
  return data;
}

bool read_question(Reader& r, std::vector<Question>& out) {
  Question q;
  q.name = r.name();
  q.type = r.u16();
  q.klass = r.u16();
  if (!r.ok()) return false;
  out.push_back(std::move(q));
  return true;
}

bool read_record(Reader& r, std::vector<Record>& out) {
  Record rec;
  rec.name = r.name();
  rec.type = r.u16();
  rec.klass = r.u16();
  rec.ttl = r.u32();
  const std::uint16_t length = r.u16();
  if (!r.ok()) return false;
  rec.data = read_rdata(r, rec.type, length);
  if (!r.ok()) return false;
  out.push_back(std::move(rec));
  return true;
}

template <typename Item>
bool read_section(Reader& r, std::uint16_t count, std::vector<Item>& out,
                  bool (*read_one)(Reader&, std::vector<Item>&)) {
  for (std::uint16_t i = 0; i < count; ++i) {
    if (!read_one(r, out)) return false;
  }
  return true;
}

}  // namespace

std::optional<std::uint16_t> type_from_name(std::string_view mnemonic) {
  struct Entry {
    std::string_view name;
    std::uint16_t type;
  };
  static constexpr Entry table[] = {
      {"A", rrtype::A},     {"AAAA", rrtype::AAAA}, {"MX", rrtype::MX},   {"CNAME", rrtype::CNAME},
      {"NS", rrtype::NS},   {"TXT", rrtype::TXT},   {"SOA", rrtype::SOA}, {"PTR", rrtype::PTR},
  };
  for (const auto& e : table) {
    if (equal_ignoring_case(e.name, mnemonic)) return e.type;
  }
  return std::nullopt;
}

NameError check_name(std::string_view name) {
  if (name == ".") return NameError::none;
  NameError error = NameError::none;
  std::size_t wire_length = 1;
  for_each_label(name, [&](std::string_view label) {
    if (error != NameError::none) return;
    if (label.empty()) error = NameError::empty_label;
    if (label.size() > max_label) error = NameError::label_too_long;
    wire_length += label.size() + 1;
  });
  if (error == NameError::none && wire_length > max_name_wire) error = NameError::name_too_long;
  return error;
}

std::vector<std::uint8_t> encode_query(std::uint16_t id, std::string_view name,
                                       std::uint16_t type) {
  if (check_name(name) != NameError::none) return {};
  std::vector<std::uint8_t> out;
  put16(out, id);
  put16(out, 0x0100);  // a standard query, recursion desired
  put16(out, 1);
  put16(out, 0);
  put16(out, 0);
  put16(out, 0);
  for_each_label(name, [&](std::string_view label) {
    out.push_back(static_cast<std::uint8_t>(label.size()));
    out.insert(out.end(), label.begin(), label.end());
  });
  out.push_back(0);
  put16(out, type);
  put16(out, class_in);
  return out;
}

std::string_view describe(DecodeError error) {
  switch (error) {
    case DecodeError::none: return "no error";
    case DecodeError::short_header: return "shorter than a header";
    case DecodeError::truncated: return "cut short";
    case DecodeError::bad_label: return "bad label type";
    case DecodeError::pointer_out_of_range: return "compression pointer past the end";
    case DecodeError::pointer_loop: return "compression pointer loop";
    case DecodeError::name_too_long: return "name longer than 255 bytes";
    case DecodeError::bad_rdata: return "bad record data";
  }
  return "unknown error";
}

Decoded decode(std::span<const std::uint8_t> wire) {
  Decoded d;
  if (wire.size() < header_size) {
    d.error = DecodeError::short_header;
    return d;
  }
  Reader r(wire);
  Message& m = d.message;
  m.header = read_header(r);
  const Header& h = m.header;
  read_section(r, h.qdcount, m.questions, read_question) &&
      read_section(r, h.ancount, m.answers, read_record) &&
      read_section(r, h.nscount, m.authority, read_record) &&
      read_section(r, h.arcount, m.additional, read_record);
  d.error = r.error();
  return d;
}

bool answers_query(std::span<const std::uint8_t> query, std::span<const std::uint8_t> reply) {
  if (query.size() < header_size + 5 || reply.size() < header_size) return false;
  if (query[0] != reply[0] || query[1] != reply[1] || !(reply[2] & 0x80)) return false;
  const bool has_question = reply[4] != 0 || reply[5] != 0;
  if (!has_question) return (reply[2] & 0x02) != 0;  // only a truncated reply may omit it
  if (reply[4] != 0 || reply[5] != 1 || reply.size() < query.size()) return false;
  const auto as_text = [](std::span<const std::uint8_t> s) {
    return std::string_view(reinterpret_cast<const char*>(s.data()), s.size());
  };
  // The name ends 4 bytes (type and class) before the end of the query.
  const std::size_t name_length = query.size() - header_size - 4;
  return equal_ignoring_case(as_text(query.subspan(header_size, name_length)),
                             as_text(reply.subspan(header_size, name_length))) &&
         std::ranges::equal(query.subspan(header_size + name_length, 4),
                            reply.subspan(header_size + name_length, 4));
}

}  // namespace dravelo::dns
