#include "tools/nslookup/nslookup_cli.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace dravelo::nslookup;
namespace dns = dravelo::dns;

Parsed parse(std::vector<std::string_view> args) { return parse_command_line(args); }

TEST(ParseCommandLine, RequestsTheToolMakes) {
  const struct {
    std::vector<std::string_view> args;
    std::string query_name;
    std::uint16_t type;
    Style style;
    std::string server;
  } cases[] = {
      {{"-type=MX", "dravelo.test", "127.0.0.1"}, "dravelo.test", dns::rrtype::MX, Style::records,
       "127.0.0.1"},
      {{"-type=mx", "dravelo.test", "127.0.0.1"}, "dravelo.test", dns::rrtype::MX, Style::records,
       "127.0.0.1"},
      {{"-TYPE=Cname", "www.dravelo.test"}, "www.dravelo.test", dns::rrtype::CNAME,
       Style::records, ""},
      {{"-querytype=ns", "dravelo.test"}, "dravelo.test", dns::rrtype::NS, Style::records, ""},
      {{"dravelo.test"}, "dravelo.test", dns::rrtype::A, Style::address, ""},
      {{"dravelo.test", "10.0.0.1"}, "dravelo.test", dns::rrtype::A, Style::address, "10.0.0.1"},
      {{"-type=AAAA", "dravelo.test"}, "dravelo.test", dns::rrtype::AAAA, Style::address, ""},
      {{"dravelo.test", "-type=txt"}, "dravelo.test", dns::rrtype::TXT, Style::records, ""},
      {{"-type=a", "-type=soa", "dravelo.test"}, "dravelo.test", dns::rrtype::SOA,
       Style::records, ""},
      {{"dravelo.test."}, "dravelo.test.", dns::rrtype::A, Style::address, ""},
      // A bare address is looked up by its in-addr.arpa name.
      {{"127.0.0.1", "127.0.0.1"}, "1.0.0.127.in-addr.arpa", dns::rrtype::PTR, Style::reverse,
       "127.0.0.1"},
      {{"-type=A", "192.0.2.10"}, "10.2.0.192.in-addr.arpa", dns::rrtype::PTR, Style::reverse,
       ""},
      {{"-type=PTR", "192.0.2.10"}, "10.2.0.192.in-addr.arpa", dns::rrtype::PTR,
       Style::records, ""},
      {{"-type=NS", "192.0.2.10"}, "10.2.0.192.in-addr.arpa", dns::rrtype::NS, Style::records,
       ""},
      {{"-type=PTR", "10.2.0.192.in-addr.arpa"}, "10.2.0.192.in-addr.arpa", dns::rrtype::PTR,
       Style::records, ""},
      // Not four numbers of at most 255: a name like any other.
      {{"1.2.3"}, "1.2.3", dns::rrtype::A, Style::address, ""},
      {{"1.2.3.256"}, "1.2.3.256", dns::rrtype::A, Style::address, ""},
  };
  for (const auto& c : cases) {
    const Parsed p = parse(c.args);
    const std::string what = c.args.empty() ? "" : std::string(c.args.back());
    ASSERT_TRUE(p.request) << what << ": " << p.error;
    EXPECT_EQ(p.request->query_name, c.query_name) << what;
    EXPECT_EQ(p.request->type, c.type) << what;
    EXPECT_EQ(p.request->style, c.style) << what;
    EXPECT_EQ(p.request->server, c.server) << what;
  }
}

TEST(ParseCommandLine, BadInputGetsOneLine) {
  const std::string long_name = std::string(64, 'x') + ".test";
  const struct {
    std::vector<std::string_view> args;
    std::string message;
  } cases[] = {
      {{}, "Usage: nslookup [-type=TYPE] NAME [SERVER]"},
      {{"-type=MX"}, "Usage: nslookup [-type=TYPE] NAME [SERVER]"},
      {{"-type=ANY", "dravelo.test"}, "*** Unknown query type: ANY"},
      {{"-type=", "dravelo.test"}, "*** Unknown query type: "},
      {{"-type", "dravelo.test"}, "*** Unknown option: -type"},
      {{"-debug", "dravelo.test"}, "*** Unknown option: -debug"},
      {{"a..dravelo.test"}, "*** Invalid domain name: a..dravelo.test (empty label)"},
      {{".dravelo.test"}, "*** Invalid domain name: .dravelo.test (empty label)"},
      {{long_name}, "*** Invalid domain name: " + long_name + " (label longer than 63 bytes)"},
      {{"dravelo.test", "dns.example"},
       "*** Can't find address for server dns.example: not an IPv4 address"},
      {{"dravelo.test", "127.0.0"}, "*** Can't find address for server 127.0.0: not an IPv4 address"},
      {{"dravelo.test", "::1"}, "*** Can't find address for server ::1: not an IPv4 address"},
      {{"dravelo.test", "127.0.0.1", "extra"}, "*** Too many arguments: extra"},
      {{"-type=\x01", "x"}, "*** Unknown query type: \\001"},
  };
  for (const auto& c : cases) {
    const Parsed p = parse(c.args);
    EXPECT_FALSE(p.request) << c.message;
    EXPECT_EQ(p.error, c.message);
  }
}

TEST(ParseIpv4, DottedQuadsOnly) {
  EXPECT_EQ(parse_ipv4("127.0.0.1"), (std::array<std::uint8_t, 4>{127, 0, 0, 1}));
  EXPECT_EQ(parse_ipv4("255.255.255.255"), (std::array<std::uint8_t, 4>{255, 255, 255, 255}));
  EXPECT_EQ(parse_ipv4("010.0.0.1"), (std::array<std::uint8_t, 4>{10, 0, 0, 1}));
  for (const std::string_view bad : {"", "1.2.3", "1.2.3.4.5", "1.2.3.", ".1.2.3", "1..2.3",
                                     "256.1.1.1", "1.2.3.4 ", "1.2.3.0x1", "1.2.3.1000", "a.b.c.d"}) {
    EXPECT_EQ(parse_ipv4(bad), std::nullopt) << bad;
  }
}

dns::Record rec(std::string name, std::uint16_t type, dns::Rdata data) {
  return dns::Record{std::move(name), type, dns::class_in, 300, std::move(data)};
}

TEST(FormatRecord, EachTypeInNslookupsWording) {
  const struct {
    dns::Record record;
    std::string text;
  } cases[] = {
      {rec("dravelo.test", dns::rrtype::MX, dns::Mx{10, "mail.dravelo.test"}),
       "dravelo.test\tMX preference = 10, mail exchanger = mail.dravelo.test\r\n"},
      {rec("dravelo.test", dns::rrtype::NS, dns::DomainName{"ns1.dravelo.test"}),
       "dravelo.test\tnameserver = ns1.dravelo.test\r\n"},
      {rec("www.dravelo.test", dns::rrtype::CNAME, dns::DomainName{"dravelo.test"}),
       "www.dravelo.test\tcanonical name = dravelo.test\r\n"},
      {rec("1.0.0.127.in-addr.arpa", dns::rrtype::PTR, dns::DomainName{"localhost"}),
       "1.0.0.127.in-addr.arpa\tname = localhost\r\n"},
      {rec("ns1.dravelo.test", dns::rrtype::A, dns::Ipv4{{192, 0, 2, 53}}),
       "ns1.dravelo.test\tinternet address = 192.0.2.53\r\n"},
      {rec("ns1.dravelo.test", dns::rrtype::AAAA,
           dns::Ipv6{{0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x53}}),
       "ns1.dravelo.test\tAAAA IPv6 address = 2001:db8::53\r\n"},
      {rec("dravelo.test", dns::rrtype::TXT, dns::Txt{{"v=spf1 -all"}}),
       "dravelo.test\ttext =\r\n\r\n\t\"v=spf1 -all\"\r\n"},
      {rec("dravelo.test", dns::rrtype::TXT, dns::Txt{{"one", "", "say \"hi\" \\ \x01\xe9"}}),
       "dravelo.test\ttext =\r\n\r\n\t\"one\"\r\n\t\"\"\r\n\t\"say \\\"hi\\\" \\\\ \\001\\233\"\r\n"},
      {rec("dravelo.test", dns::rrtype::SOA,
           dns::Soa{"ns1.dravelo.test", "hostmaster.dravelo.test", 2024010101, 3600, 900, 1209600,
                    300}),
       "dravelo.test\r\n"
       "\tprimary name server = ns1.dravelo.test\r\n"
       "\tresponsible mail addr = hostmaster.dravelo.test\r\n"
       "\tserial  = 2024010101\r\n"
       "\trefresh = 3600 (1 hour)\r\n"
       "\tretry   = 900 (15 mins)\r\n"
       "\texpire  = 1209600 (14 days)\r\n"
       "\tdefault TTL = 300 (5 mins)\r\n"},
      {rec("dravelo.test", 99, dns::Raw{{0x0a, 0xff}}), "dravelo.test\tTYPE99 = \\# 2 0aff\r\n"},
      {rec("dravelo.test", 99, dns::Raw{}), "dravelo.test\tTYPE99 = \\# 0\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(format_record(c.record), c.text);
}

TEST(FormatIpv6, CompressesTheLongestZeroRun) {
  using A = std::array<std::uint8_t, 16>;
  const struct {
    A bytes;
    const char* text;
  } cases[] = {
      {A{}, "::"},
      {A{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, "::1"},
      {A{0xfe, 0x80}, "fe80::"},
      {A{0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1}, "2001:db8::1:0:0:1"},
      {A{0x20, 0x01, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1}, "2001:0:0:1::1"},
      {A{0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1}, "2001:db8:0:1:1:1:1:1"},
      {A{0x20, 0x01, 0x0d, 0xb8, 0xab, 0xcd, 0x0f, 0x00, 0, 0x10, 0, 0, 0, 0, 0, 0},
       "2001:db8:abcd:f00:10::"},
      {A{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff, 192, 0, 2, 1}, "::ffff:192.0.2.1"},
  };
  for (const auto& c : cases) EXPECT_EQ(format_ipv6(c.bytes), c.text);
}

TEST(FormatSeconds, LargestUnitsFirst) {
  const struct {
    std::uint32_t seconds;
    const char* text;
  } cases[] = {
      {0, "0 (0 secs)"},          {1, "1 (1 sec)"},
      {60, "60 (1 min)"},         {300, "300 (5 mins)"},
      {3600, "3600 (1 hour)"},    {7200, "7200 (2 hours)"},
      {5400, "5400 (1 hour 30 mins)"},
      {86400, "86400 (1 day)"},   {1209600, "1209600 (14 days)"},
      {90061, "90061 (1 day 1 hour 1 min 1 sec)"},
      {4294967295u, "4294967295 (49710 days 6 hours 28 mins 15 secs)"},
  };
  for (const auto& c : cases) EXPECT_EQ(format_seconds(c.seconds), c.text);
}

Request request(std::string name, std::uint16_t type, Style style) {
  const std::string query = name;
  return Request{std::move(name), query, type, style, "127.0.0.1"};
}

dns::Decoded reply(std::vector<dns::Record> answers, bool authoritative = true,
                   std::uint8_t rcode = dns::rcode::no_error) {
  dns::Decoded d;
  d.message.header.qr = true;
  d.message.header.aa = authoritative;
  d.message.header.rcode = rcode;
  d.message.answers = std::move(answers);
  return d;
}

Report render(const Request& req, const dns::Decoded& d) {
  Report r;
  add_response(r, req, d);
  return r;
}

TEST(AddResponse, ErrorRcodesNameTheQueryOnStderr) {
  const struct {
    std::uint8_t rcode;
    const char* why;
  } cases[] = {
      {dns::rcode::name_error, "Non-existent domain"},
      {dns::rcode::server_failure, "Server failed"},
      {dns::rcode::refused, "Query refused"},
      {dns::rcode::format_error, "Format error"},
      {dns::rcode::not_implemented, "Not implemented"},
      {9, "Error code 9"},
  };
  const Request req = request("nowhere.dravelo.test", dns::rrtype::MX, Style::records);
  for (const auto& c : cases) {
    // Whatever else came back with the error is not shown.
    const Report r = render(req, reply({rec("x", dns::rrtype::A, dns::Ipv4{})}, false, c.rcode));
    EXPECT_EQ(r.all(Stream::err),
              std::string("*** UnKnown can't find nowhere.dravelo.test: ") + c.why + "\r\n");
    EXPECT_EQ(r.all(Stream::out), "");
    EXPECT_EQ(r.exit_code, 1);
  }
}

TEST(AddResponse, EmptyAnswerIsNoAnswerForEveryStyle) {
  for (const Style style : {Style::address, Style::reverse, Style::records}) {
    dns::Decoded d = reply({});
    // An SOA in the authority section is not an answer.
    d.message.authority.push_back(rec("dravelo.test", dns::rrtype::SOA, dns::Soa{}));
    const Report r = render(request("dravelo.test", dns::rrtype::A, style), d);
    EXPECT_EQ(r.all(Stream::err), "*** UnKnown can't find dravelo.test: No answer\r\n");
    EXPECT_EQ(r.all(Stream::out), "");
    EXPECT_EQ(r.exit_code, 1);
  }
}

TEST(AddResponse, UnparsableReplyIsAnError) {
  dns::Decoded d = reply({rec("dravelo.test", dns::rrtype::MX, dns::Mx{10, "mail"})});
  d.error = dns::DecodeError::pointer_loop;
  const Report r = render(request("dravelo.test", dns::rrtype::MX, Style::records), d);
  EXPECT_EQ(r.all(Stream::err),
            "*** UnKnown can't find dravelo.test: Unparsable reply (compression pointer loop)\r\n");
  EXPECT_EQ(r.exit_code, 1);
}

TEST(AddResponse, RcodeOfATruncatedReplyStillShows) {
  dns::Decoded d = reply({}, true, dns::rcode::server_failure);
  d.error = dns::DecodeError::truncated;
  EXPECT_EQ(render(request("a.test", dns::rrtype::A, Style::address), d).all(Stream::err),
            "*** UnKnown can't find a.test: Server failed\r\n");
}

TEST(AddResponse, AddressesAndAliases) {
  const dns::Decoded d = reply({
      rec("www.dravelo.test", dns::rrtype::CNAME, dns::DomainName{"web.dravelo.test"}),
      rec("web.dravelo.test", dns::rrtype::CNAME, dns::DomainName{"dravelo.test"}),
      rec("dravelo.test", dns::rrtype::A, dns::Ipv4{{192, 0, 2, 1}}),
      rec("dravelo.test", dns::rrtype::A, dns::Ipv4{{192, 0, 2, 2}}),
  });
  const Report r = render(request("www.dravelo.test", dns::rrtype::A, Style::address), d);
  EXPECT_EQ(r.all(Stream::out),
            "Name:    dravelo.test\r\n"
            "Addresses:  192.0.2.1\r\n"
            "\t  192.0.2.2\r\n"
            "Aliases:  www.dravelo.test\r\n"
            "\t  web.dravelo.test\r\n"
            "\r\n");
  EXPECT_EQ(r.all(Stream::err), "");
  EXPECT_EQ(r.exit_code, 0);
}

TEST(AddResponse, OneAddressAndOnlyTheAskedType) {
  const dns::Decoded d = reply({
      rec("dravelo.test", dns::rrtype::A, dns::Ipv4{{192, 0, 2, 1}}),
      rec("dravelo.test", dns::rrtype::AAAA, dns::Ipv6{{0x20, 0x01, 0x0d, 0xb8}}),
  });
  EXPECT_EQ(render(request("dravelo.test", dns::rrtype::AAAA, Style::address), d).all(Stream::out),
            "Name:    dravelo.test\r\nAddress:  2001:db8::\r\n\r\n");
  EXPECT_EQ(render(request("dravelo.test", dns::rrtype::A, Style::address), d).all(Stream::out),
            "Name:    dravelo.test\r\nAddress:  192.0.2.1\r\n\r\n");
}

TEST(AddResponse, AliasWithoutAddress) {
  const dns::Decoded d =
      reply({rec("www.dravelo.test", dns::rrtype::CNAME, dns::DomainName{"gone.dravelo.test"})});
  const Report r = render(request("www.dravelo.test", dns::rrtype::A, Style::address), d);
  EXPECT_EQ(r.all(Stream::out), "Name:    gone.dravelo.test\r\nAliases:  www.dravelo.test\r\n\r\n");
  EXPECT_EQ(r.exit_code, 0);
}

TEST(AddResponse, ReverseLookupShowsTheNameAndTheAddressTyped) {
  Request req = request("127.0.0.1", dns::rrtype::PTR, Style::reverse);
  req.query_name = "1.0.0.127.in-addr.arpa";
  const dns::Decoded d =
      reply({rec("1.0.0.127.in-addr.arpa", dns::rrtype::PTR, dns::DomainName{"localhost"})});
  const Report r = render(req, d);
  EXPECT_EQ(r.all(Stream::out), "Name:    localhost\r\nAddress:  127.0.0.1\r\n\r\n");
  EXPECT_EQ(r.exit_code, 0);
}

TEST(AddResponse, RecordsThenAuthorityAndAdditionalAfterABlankLine) {
  dns::Decoded d = reply({
      rec("dravelo.test", dns::rrtype::MX, dns::Mx{10, "mail.dravelo.test"}),
      rec("dravelo.test", dns::rrtype::MX, dns::Mx{20, "mail2.dravelo.test"}),
  });
  d.message.authority.push_back(rec("dravelo.test", dns::rrtype::NS, dns::DomainName{"ns1.dravelo.test"}));
  d.message.additional.push_back(rec("mail.dravelo.test", dns::rrtype::A, dns::Ipv4{{192, 0, 2, 25}}));
  d.message.additional.push_back(rec("", 41, dns::Raw{}));  // EDNS: not shown
  const Report r = render(request("dravelo.test", dns::rrtype::MX, Style::records), d);
  EXPECT_EQ(r.all(Stream::out),
            "dravelo.test\tMX preference = 10, mail exchanger = mail.dravelo.test\r\n"
            "dravelo.test\tMX preference = 20, mail exchanger = mail2.dravelo.test\r\n"
            "\r\n"
            "dravelo.test\tnameserver = ns1.dravelo.test\r\n"
            "mail.dravelo.test\tinternet address = 192.0.2.25\r\n");
  EXPECT_EQ(r.exit_code, 0);
}

TEST(AddResponse, NonAuthoritativeAnswerIsAnnouncedOnStderrFirst) {
  const dns::Decoded d = reply({rec("dravelo.test", dns::rrtype::NS, dns::DomainName{"ns1.dravelo.test"})},
                               false);
  const Report r = render(request("dravelo.test", dns::rrtype::NS, Style::records), d);
  ASSERT_EQ(r.chunks().size(), 2u);
  EXPECT_EQ(r.chunks()[0], (Chunk{Stream::err, "Non-authoritative answer:\r\n"}));
  EXPECT_EQ(r.chunks()[1], (Chunk{Stream::out, "dravelo.test\tnameserver = ns1.dravelo.test\r\n"}));
  // An authoritative answer has no such line.
  EXPECT_EQ(render(request("dravelo.test", dns::rrtype::NS, Style::records),
                   reply(d.message.answers, true)).all(Stream::err), "");
}

TEST(Messages, HeaderTimeoutAndTimedOut) {
  Report r;
  add_server_header(r, "127.0.0.1");
  add_timeout_notice(r);
  add_timeout_notice(r);
  add_timed_out(r);
  EXPECT_EQ(r.all(Stream::out),
            "Server:  UnKnown\r\n"
            "Address:  127.0.0.1\r\n"
            "\r\n"
            "DNS request timed out.\r\n"
            "    timeout was 2 seconds.\r\n"
            "DNS request timed out.\r\n"
            "    timeout was 2 seconds.\r\n");
  EXPECT_EQ(r.all(Stream::err), "*** Request to UnKnown timed-out\r\n");
  EXPECT_EQ(r.exit_code, 1);
}

TEST(AsciiSafe, OnlyPrintableAsciiPassesThrough) {
  EXPECT_EQ(ascii_safe("a b~"), "a b~");
  EXPECT_EQ(ascii_safe("\xb5\xe7\r\n\x7f"), "\\181\\231\\013\\010\\127");
  EXPECT_EQ(ascii_safe(std::string_view("\0", 1)), "\\000");
}

TEST(AsciiSafe, NonAsciiInputIsEscapedInMessages) {
  // Wine hands main() its arguments in code page 936.
  const Request req = request("\xb5\xe7.test", dns::rrtype::A, Style::address);
  EXPECT_EQ(render(req, reply({}, true, dns::rcode::name_error)).all(Stream::err),
            "*** UnKnown can't find \\181\\231.test: Non-existent domain\r\n");
}

}  // namespace
