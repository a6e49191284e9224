#include "tools/nslookup/dns_message.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

using namespace dravelo::dns;
using Bytes = std::vector<std::uint8_t>;

Bytes B(std::initializer_list<int> values) {
  Bytes out;
  for (const int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// example.com, uncompressed; in the fixtures below it always starts at offset 12 (0x0c).
const Bytes kExampleCom = B({7, 'e', 'x', 'a', 'm', 'p', 'l', 'e', 3, 'c', 'o', 'm', 0});
// ID 0x1234; QR, AA, RD, RA set; NOERROR.
Bytes header(int qd, int an, int ns, int ar, int flags = 0x8580) {
  return B({0x12, 0x34, flags >> 8, flags & 0xff, 0, qd, 0, an, 0, ns, 0, ar});
}
const Bytes kQuestionA = cat({kExampleCom, B({0, 1, 0, 1})});
// Owner: a pointer to the question's name; class IN; TTL 3600.
Bytes answer_head(int type, int rdlength) {
  return B({0xc0, 0x0c, type >> 8, type & 0xff, 0, 1, 0, 0, 0x0e, 0x10, rdlength >> 8,
            rdlength & 0xff});
}
// A response to "example.com A" whose one answer has the given type and RDATA.
Bytes one_answer(int type, const Bytes& rdata) {
  return cat({header(1, 1, 0, 0), kQuestionA, answer_head(type, static_cast<int>(rdata.size())),
              rdata});
}

// The two-address answer of RFC 1035's layout, written out byte by byte.
const Bytes kTwoAddresses = cat({
    B({0x12, 0x34, 0x85, 0x80, 0, 1, 0, 2, 0, 0, 0, 0}),
    kExampleCom, B({0, 1, 0, 1}),
    B({0xc0, 0x0c, 0, 1, 0, 1, 0, 0, 0x0e, 0x10, 0, 4, 192, 0, 2, 1}),
    B({0xc0, 0x0c, 0, 1, 0, 1, 0, 0, 0x0e, 0x10, 0, 4, 192, 0, 2, 2}),
});

TEST(EncodeQuery, WritesHeaderWithRecursionDesiredAndOneQuestion) {
  const Bytes expected = cat({
      B({0xbe, 0xef, 0x01, 0x00, 0, 1, 0, 0, 0, 0, 0, 0}),
      B({3, 'w', 'w', 'w'}), kExampleCom, B({0, 15, 0, 1}),
  });
  EXPECT_EQ(encode_query(0xbeef, "www.example.com", rrtype::MX), expected);
  EXPECT_EQ(encode_query(0xbeef, "www.example.com.", rrtype::MX), expected) << "trailing dot";
}

TEST(EncodeQuery, RootIsOneZeroByte) {
  EXPECT_EQ(encode_query(1, ".", rrtype::NS),
            B({0, 1, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1}));
}

TEST(EncodeQuery, RefusesBadNames) {
  EXPECT_TRUE(encode_query(1, "a..b", rrtype::A).empty());
  EXPECT_TRUE(encode_query(1, std::string(64, 'x') + ".com", rrtype::A).empty());
}

TEST(CheckName, LabelAndNameLimits) {
  const std::string l63(63, 'a');
  // 253 characters without a trailing dot is 255 bytes on the wire: the longest name.
  const std::string longest = l63 + "." + l63 + "." + l63 + "." + std::string(61, 'b');
  const struct {
    std::string name;
    NameError expected;
  } cases[] = {
      {"example.com", NameError::none},
      {"example.com.", NameError::none},
      {".", NameError::none},
      {"localhost", NameError::none},
      {"", NameError::empty_label},
      {"..", NameError::empty_label},
      {"a..b", NameError::empty_label},
      {".a", NameError::empty_label},
      {"a.b..", NameError::empty_label},
      {l63 + ".com", NameError::none},
      {l63 + "a.com", NameError::label_too_long},
      {longest, NameError::none},
      {longest + ".", NameError::none},
      {longest + "b", NameError::name_too_long},
  };
  for (const auto& c : cases) EXPECT_EQ(check_name(c.name), c.expected) << c.name;
}

TEST(TypeFromName, KnowsTheEightTypesInAnyCase) {
  EXPECT_EQ(type_from_name("A"), rrtype::A);
  EXPECT_EQ(type_from_name("aaaa"), rrtype::AAAA);
  EXPECT_EQ(type_from_name("mX"), rrtype::MX);
  EXPECT_EQ(type_from_name("Cname"), rrtype::CNAME);
  EXPECT_EQ(type_from_name("ns"), rrtype::NS);
  EXPECT_EQ(type_from_name("TxT"), rrtype::TXT);
  EXPECT_EQ(type_from_name("soa"), rrtype::SOA);
  EXPECT_EQ(type_from_name("Ptr"), rrtype::PTR);
  EXPECT_EQ(type_from_name(""), std::nullopt);
  EXPECT_EQ(type_from_name("ANY"), std::nullopt);
  EXPECT_EQ(type_from_name("MXX"), std::nullopt);
}

TEST(Decode, ReadsHeaderQuestionAndCompressedAnswers) {
  const Decoded d = decode(kTwoAddresses);
  ASSERT_EQ(d.error, DecodeError::none);
  const Header& h = d.message.header;
  EXPECT_EQ(h.id, 0x1234);
  EXPECT_TRUE(h.qr && h.aa && h.rd && h.ra);
  EXPECT_FALSE(h.tc);
  EXPECT_EQ(h.opcode, 0);
  EXPECT_EQ(h.rcode, rcode::no_error);
  EXPECT_EQ(h.ancount, 2);
  ASSERT_EQ(d.message.questions.size(), 1u);
  EXPECT_EQ(d.message.questions[0], (Question{"example.com", rrtype::A, class_in}));
  ASSERT_EQ(d.message.answers.size(), 2u);
  EXPECT_EQ(d.message.answers[1], (Record{"example.com", rrtype::A, class_in, 3600,
                                          Ipv4{{192, 0, 2, 2}}}));
}

TEST(Decode, ReadsRcodeAndFlags) {
  const Decoded d = decode(cat({header(1, 0, 0, 0, 0x8303), kQuestionA}));
  ASSERT_EQ(d.error, DecodeError::none);
  EXPECT_EQ(d.message.header.rcode, rcode::name_error);
  EXPECT_TRUE(d.message.header.tc);
  EXPECT_FALSE(d.message.header.aa);
}

TEST(Decode, KeepsEverySection) {
  // example.com NS ns1.example.com (authority), ns1.example.com A 192.0.2.53 (additional).
  const Bytes wire = cat({
      header(1, 0, 1, 1), kExampleCom, B({0, 2, 0, 1}),
      answer_head(rrtype::NS, 6), B({3, 'n', 's', '1', 0xc0, 0x0c}),
      // the owner points at "ns1" inside the NS record's RDATA, at offset 41
      B({0xc0, 41, 0, 1, 0, 1, 0, 0, 0, 60, 0, 4, 192, 0, 2, 53}),
  });
  const Decoded d = decode(wire);
  ASSERT_EQ(d.error, DecodeError::none);
  EXPECT_TRUE(d.message.answers.empty());
  ASSERT_EQ(d.message.authority.size(), 1u);
  EXPECT_EQ(d.message.authority[0].data, Rdata(DomainName{"ns1.example.com"}));
  ASSERT_EQ(d.message.additional.size(), 1u);
  EXPECT_EQ(d.message.additional[0].name, "ns1.example.com");
  EXPECT_EQ(d.message.additional[0].ttl, 60u);
}

struct RdataCase {
  const char* what;
  int type;
  Bytes rdata;
  Rdata expected;
};

TEST(Decode, RdataOfEachType) {
  const RdataCase cases[] = {
      {"A", rrtype::A, B({192, 0, 2, 1}), Ipv4{{192, 0, 2, 1}}},
      {"AAAA", rrtype::AAAA, B({0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}),
       Ipv6{{0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}}},
      {"NS, compressed", rrtype::NS, B({3, 'n', 's', '1', 0xc0, 0x0c}),
       DomainName{"ns1.example.com"}},
      {"CNAME, uncompressed", rrtype::CNAME, B({3, 'w', 'w', 'w', 3, 'o', 'r', 'g', 0}),
       DomainName{"www.org"}},
      {"PTR to the root", rrtype::PTR, B({0}), DomainName{"."}},
      {"MX", rrtype::MX, B({0, 10, 4, 'm', 'a', 'i', 'l', 0xc0, 0x0c}),
       Mx{10, "mail.example.com"}},
      {"MX, null exchanger", rrtype::MX, B({0, 0, 0}), Mx{0, "."}},
      {"TXT, two strings, one empty", rrtype::TXT, B({5, 'h', 'e', 'l', 'l', 'o', 0}),
       Txt{{"hello", ""}}},
      {"TXT, raw bytes kept", rrtype::TXT, B({3, '"', 0, 0xff}), Txt{{std::string("\"\0\xff", 3)}}},
      {"SOA", rrtype::SOA,
       B({3, 'n', 's', '1', 0xc0, 0x0c, 10, 'h', 'o', 's', 't', 'm', 'a', 's', 't', 'e', 'r',
          0xc0, 0x0c, 0x78, 0x7a, 0x4e, 0x35, 0, 0, 0x0e, 0x10, 0, 0, 0x03, 0x84, 0, 0x09,
          0x3a, 0x80, 0, 0, 0x01, 0x2c}),
       Soa{"ns1.example.com", "hostmaster.example.com", 2021281333, 3600, 900, 604800, 300}},
      {"unknown type kept raw", 99, B({1, 2, 3}), Raw{{1, 2, 3}}},
      {"unknown type, empty", 99, B({}), Raw{}},
  };
  for (const auto& c : cases) {
    const Decoded d = decode(one_answer(c.type, c.rdata));
    ASSERT_EQ(d.error, DecodeError::none) << c.what;
    ASSERT_EQ(d.message.answers.size(), 1u) << c.what;
    EXPECT_EQ(d.message.answers[0].data, c.expected) << c.what;
    EXPECT_EQ(d.message.answers[0].type, c.type) << c.what;
  }
}

TEST(Decode, RdataThatDoesNotFitItsTypeOrLength) {
  const struct {
    const char* what;
    int type;
    Bytes rdata;
  } cases[] = {
      {"A of 3 bytes", rrtype::A, B({192, 0, 2})},
      {"A of 5 bytes", rrtype::A, B({192, 0, 2, 1, 0})},
      {"AAAA of 4 bytes", rrtype::AAAA, B({192, 0, 2, 1})},
      {"MX without exchanger", rrtype::MX, B({0, 10})},
      {"MX with a byte after the name", rrtype::MX, B({0, 10, 0, 7})},
      {"NS name running past RDLENGTH", rrtype::NS, B({3, 'n', 's'})},
      {"CNAME empty", rrtype::CNAME, B({})},
      {"TXT empty", rrtype::TXT, B({})},
      {"TXT string past RDLENGTH", rrtype::TXT, B({4, 'a', 'b'})},
      {"SOA without its numbers", rrtype::SOA, B({0, 0, 0, 0, 0, 1})},
  };
  for (const auto& c : cases) {
    const Decoded d = decode(one_answer(c.type, c.rdata));
    EXPECT_EQ(d.error, DecodeError::bad_rdata) << c.what;
    EXPECT_TRUE(d.message.answers.empty()) << c.what;
  }
}

TEST(Decode, NameRunningPastRdlengthIsBadEvenWhenMoreBytesFollow) {
  // RDLENGTH 3 covers only "\3ns" of "\3ns1\0"; the rest is in the message, outside the record.
  const Bytes wire = cat({header(1, 1, 0, 0), kQuestionA, answer_head(rrtype::NS, 3),
                          B({3, 'n', 's', '1', 0})});
  EXPECT_EQ(decode(wire).error, DecodeError::bad_rdata);
}

TEST(Decode, EscapesLabelBytesThatAreNotPlainText) {
  // One label "a.b\", then one with a space, a 0x01 and a high byte.
  const Bytes rdata = B({4, 'a', '.', 'b', '\\', 4, ' ', 1, 0xe9, 'z', 0});
  const Decoded d = decode(one_answer(rrtype::CNAME, rdata));
  ASSERT_EQ(d.error, DecodeError::none);
  EXPECT_EQ(d.message.answers[0].data, Rdata(DomainName{"a\\.b\\\\.\\032\\001\\233z"}));
}

struct PointerCase {
  const char* what;
  Bytes wire;
  DecodeError expected;
};

TEST(Decode, CompressionPointers) {
  const int end = static_cast<int>(kQuestionA.size() + header(0, 0, 0, 0).size());
  const PointerCase cases[] = {
      {"pointer to itself", cat({header(1, 0, 0, 0), B({0xc0, 0x0c, 0, 1, 0, 1})}),
       DecodeError::pointer_loop},
      {"label, then a pointer back to that label",
       cat({header(1, 0, 0, 0), B({1, 'a', 0xc0, 0x0c, 0, 1, 0, 1})}), DecodeError::pointer_loop},
      {"pointer forward to a pointer back",
       cat({header(1, 1, 0, 0), kQuestionA, B({0xc0, end + 2, 0xc0, end}), B({0, 1, 0, 1})}),
       DecodeError::pointer_loop},
      {"pointer to the last offset there is",
       cat({header(1, 0, 0, 0), B({0xff, 0xff, 0, 1, 0, 1})}), DecodeError::pointer_out_of_range},
      {"pointer whose second byte is missing", cat({header(1, 0, 0, 0), B({0xc0})}),
       DecodeError::truncated},
      {"label type 01", cat({header(1, 0, 0, 0), B({0x41, 0, 0, 1, 0, 1})}),
       DecodeError::bad_label},
      {"label type 10", cat({header(1, 0, 0, 0), B({0x81, 0, 0, 1, 0, 1})}),
       DecodeError::bad_label},
  };
  for (const auto& c : cases) EXPECT_EQ(decode(c.wire).error, c.expected) << c.what;
  // The answer's owner points at offset 0x40, beyond this 45-byte message.
  Bytes past_end = cat({header(1, 1, 0, 0), kQuestionA, answer_head(1, 4), B({1, 2, 3, 4})});
  past_end[kQuestionA.size() + 12 + 1] = 0x40;
  EXPECT_EQ(decode(past_end).error, DecodeError::pointer_out_of_range);
}

TEST(Decode, FollowsAChainOfPointers) {
  // www.example.com points at example.com; mail.www.example.com points at www.example.com.
  const Bytes wire = cat({
      header(1, 1, 0, 0), kExampleCom, B({0, 5, 0, 1}),
      B({3, 'w', 'w', 'w', 0xc0, 0x0c}),          // owner, at offset 29
      B({0, 5, 0, 1, 0, 0, 0, 1, 0, 7}),
      B({4, 'm', 'a', 'i', 'l', 0xc0, 29}),
  });
  const Decoded d = decode(wire);
  ASSERT_EQ(d.error, DecodeError::none);
  EXPECT_EQ(d.message.answers[0].name, "www.example.com");
  EXPECT_EQ(d.message.answers[0].data, Rdata(DomainName{"mail.www.example.com"}));
}

TEST(Decode, NameOverTwoHundredFiftyFiveBytesThroughPointers) {
  // Each name is a 63-byte label and a pointer to the one before: 64, 128, 192, then 256 bytes.
  Bytes wire = header(4, 0, 0, 0);
  std::size_t previous = 0;
  for (int i = 0; i < 4; ++i) {
    const std::size_t here = wire.size();
    wire.push_back(63);
    wire.insert(wire.end(), 63, 'x');
    if (i == 0) {
      wire.push_back(0);
    } else {
      wire.push_back(static_cast<std::uint8_t>(0xc0 | previous >> 8));
      wire.push_back(static_cast<std::uint8_t>(previous & 0xff));
    }
    wire.insert(wire.end(), {0, 1, 0, 1});
    previous = here;
  }
  const Decoded d = decode(wire);
  EXPECT_EQ(d.error, DecodeError::name_too_long);
  EXPECT_EQ(d.message.questions.size(), 3u);
}

TEST(Decode, TruncatedReplyKeepsItsTcBitAndItsWholeRecords) {
  // TC set; two answers announced, the message ends in the middle of the second one's RDATA.
  Bytes wire = kTwoAddresses;
  wire[2] |= 0x02;
  wire.resize(wire.size() - 2);
  const Decoded d = decode(wire);
  EXPECT_EQ(d.error, DecodeError::truncated);
  EXPECT_TRUE(d.message.header.tc);
  EXPECT_EQ(d.message.header.ancount, 2);
  ASSERT_EQ(d.message.answers.size(), 1u);
  EXPECT_EQ(d.message.answers[0].data, Rdata(Ipv4{{192, 0, 2, 1}}));
}

TEST(Decode, TruncatedReplyWithNothingButTheHeader) {
  const Decoded d = decode(header(0, 0, 0, 0, 0x8380));
  EXPECT_EQ(d.error, DecodeError::none);
  EXPECT_TRUE(d.message.header.tc);
}

TEST(Decode, EveryCutShortPrefixIsAnErrorAndKeepsOnlyWholeParts) {
  const std::size_t first_answer_end = 12 + kQuestionA.size() + 16;
  for (std::size_t n = 0; n < kTwoAddresses.size(); ++n) {
    const Decoded d = decode(std::span(kTwoAddresses).first(n));
    EXPECT_EQ(d.error, n < 12 ? DecodeError::short_header : DecodeError::truncated) << n;
    EXPECT_EQ(d.message.questions.size(), n >= 12 + kQuestionA.size() ? 1u : 0u) << n;
    EXPECT_EQ(d.message.answers.size(), n >= first_answer_end ? 1u : 0u) << n;
  }
}

TEST(AnswersQuery, MatchesIdQrAndQuestion) {
  const Bytes query = encode_query(0x1234, "Example.COM", rrtype::A);
  Bytes other_id = kTwoAddresses;
  other_id[1] = 0x35;
  Bytes not_a_reply = kTwoAddresses;
  not_a_reply[2] &= 0x7f;
  Bytes other_type = kTwoAddresses;
  other_type[12 + kExampleCom.size() + 1] = 28;
  const Bytes other_name = cat({header(1, 0, 0, 0), B({7, 'e', 'x', 'a', 'm', 'p', 'l', 'f', 3,
                                                       'c', 'o', 'm', 0, 0, 1, 0, 1})});
  const struct {
    const char* what;
    Bytes reply;
    bool expected;
  } cases[] = {
      {"the reply, name in another case", kTwoAddresses, true},
      {"another id", other_id, false},
      {"QR clear", not_a_reply, false},
      {"another type", other_type, false},
      {"another name", other_name, false},
      {"truncated, no question", header(0, 0, 0, 0, 0x8380), true},
      {"no question, not truncated", header(0, 0, 0, 0), false},
      {"shorter than the question", cat({header(1, 0, 0, 0), B({7, 'e'})}), false},
      {"shorter than a header", B({0x12, 0x34, 0x80}), false},
  };
  for (const auto& c : cases) EXPECT_EQ(answers_query(query, c.reply), c.expected) << c.what;
}

}  // namespace
