// The stand-in's Windows half: Winsock I/O, the system's resolver address and main(). What to ask
// and what to print is decided in nslookup_cli.cpp; this file only moves the bytes.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <windows.h>

#include <array>
#include <cstring>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/nslookup/dns_message.h"
#include "tools/nslookup/nslookup_cli.h"

namespace {

using dravelo::nslookup::Report;
using dravelo::nslookup::Stream;
using Bytes = std::vector<std::uint8_t>;

constexpr std::string_view fallback_server = "127.0.0.1";

class WinsockSession {
 public:
  WinsockSession() {
    WSADATA data;
    ok_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~WinsockSession() {
    if (ok_) WSACleanup();
  }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;
  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
};

class Socket {
 public:
  explicit Socket(SOCKET s) : s_(s) {}
  Socket(Socket&& other) noexcept : s_(std::exchange(other.s_, INVALID_SOCKET)) {}
  Socket& operator=(Socket&& other) noexcept {
    if (this != &other) {
      close();
      s_ = std::exchange(other.s_, INVALID_SOCKET);
    }
    return *this;
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket() { close(); }

  SOCKET get() const { return s_; }
  bool valid() const { return s_ != INVALID_SOCKET; }

 private:
  void close() {
    if (valid()) closesocket(s_);
    s_ = INVALID_SOCKET;
  }
  SOCKET s_;
};

class Deadline {
 public:
  explicit Deadline(int seconds) : end_(GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000) {}
  timeval remaining() const {
    const ULONGLONG now = GetTickCount64();
    const ULONGLONG left = now < end_ ? end_ - now : 0;
    timeval tv{};
    tv.tv_sec = static_cast<long>(left / 1000);
    tv.tv_usec = static_cast<long>(left % 1000 * 1000);
    return tv;
  }

 private:
  ULONGLONG end_;
};

enum class Wait { read, write, connect };

// select() on one socket until it is ready or the deadline passes. A failed non-blocking
// connect is reported in the exception set, so that set is watched too while connecting.
bool wait_until_ready(const Socket& s, Wait what, const Deadline& deadline) {
  fd_set ready;
  fd_set failed;
  FD_ZERO(&ready);
  FD_ZERO(&failed);
  FD_SET(s.get(), &ready);
  FD_SET(s.get(), &failed);
  timeval tv = deadline.remaining();
  const int n = select(0, what == Wait::read ? &ready : nullptr,
                       what == Wait::read ? nullptr : &ready,
                       what == Wait::connect ? &failed : nullptr, &tv);
  return n > 0 && FD_ISSET(s.get(), &ready);
}

sockaddr_in server_address(const std::array<std::uint8_t, 4>& ip) {
  sockaddr_in a;
  std::memset(&a, 0, sizeof a);
  a.sin_family = AF_INET;
  a.sin_port = htons(dravelo::dns::port);
  std::memcpy(&a.sin_addr, ip.data(), ip.size());
  return a;
}

bool connect_to(const Socket& s, const sockaddr_in& to) {
  return connect(s.get(), reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
}

std::optional<Bytes> udp_exchange(const sockaddr_in& to, std::span<const std::uint8_t> query) {
  Socket s(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
  // Connected, so only datagrams from the server itself are delivered.
  if (!s.valid() || !connect_to(s, to)) return std::nullopt;
  const int length = static_cast<int>(query.size());
  if (send(s.get(), reinterpret_cast<const char*>(query.data()), length, 0) != length) {
    return std::nullopt;
  }
  const Deadline deadline(dravelo::nslookup::timeout_seconds);
  Bytes buffer(65535);
  while (wait_until_ready(s, Wait::read, deadline)) {
    const int n = recv(s.get(), reinterpret_cast<char*>(buffer.data()),
                       static_cast<int>(buffer.size()), 0);
    // A failed recv is most often an ICMP "port unreachable"; wait on, as nslookup does.
    if (n <= 0) continue;
    const std::span<const std::uint8_t> reply(buffer.data(), static_cast<std::size_t>(n));
    if (dravelo::dns::answers_query(query, reply)) return Bytes(reply.begin(), reply.end());
  }
  return std::nullopt;
}

bool send_all(const Socket& s, std::span<const std::uint8_t> data, const Deadline& deadline) {
  while (!data.empty()) {
    if (!wait_until_ready(s, Wait::write, deadline)) return false;
    const int n = send(s.get(), reinterpret_cast<const char*>(data.data()),
                       static_cast<int>(data.size()), 0);
    if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) continue;
    if (n <= 0) return false;
    data = data.subspan(static_cast<std::size_t>(n));
  }
  return true;
}

bool receive_all(const Socket& s, std::span<std::uint8_t> data, const Deadline& deadline) {
  while (!data.empty()) {
    if (!wait_until_ready(s, Wait::read, deadline)) return false;
    const int n = recv(s.get(), reinterpret_cast<char*>(data.data()), static_cast<int>(data.size()), 0);
    if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) continue;
    if (n <= 0) return false;
    data = data.subspan(static_cast<std::size_t>(n));
  }
  return true;
}

bool start_connect(const Socket& s, const sockaddr_in& to, const Deadline& deadline) {
  u_long non_blocking = 1;
  if (ioctlsocket(s.get(), FIONBIO, &non_blocking) != 0) return false;
  if (!connect_to(s, to) && WSAGetLastError() != WSAEWOULDBLOCK) return false;
  if (!wait_until_ready(s, Wait::connect, deadline)) return false;
  int error = 0;
  int size = sizeof error;
  getsockopt(s.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
  return error == 0;
}

// Over TCP each message goes with a two-byte length in front.
std::optional<Bytes> tcp_exchange(const sockaddr_in& to, std::span<const std::uint8_t> query) {
  Socket s(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
  const Deadline deadline(dravelo::nslookup::timeout_seconds);
  if (!s.valid() || !start_connect(s, to, deadline)) return std::nullopt;
  Bytes frame{static_cast<std::uint8_t>(query.size() >> 8), static_cast<std::uint8_t>(query.size())};
  frame.insert(frame.end(), query.begin(), query.end());
  std::array<std::uint8_t, 2> length{};
  if (!send_all(s, frame, deadline) || !receive_all(s, length, deadline)) return std::nullopt;
  Bytes reply(static_cast<std::size_t>(length[0] << 8 | length[1]));
  if (!receive_all(s, reply, deadline) || !dravelo::dns::answers_query(query, reply)) {
    return std::nullopt;
  }
  return reply;
}

// The first DNS server the system knows of. Tests never come here: they always name a server.
std::string system_server() {
  ULONG size = 0;
  if (GetNetworkParams(nullptr, &size) != ERROR_BUFFER_OVERFLOW) return std::string(fallback_server);
  std::vector<FIXED_INFO> info((size + sizeof(FIXED_INFO) - 1) / sizeof(FIXED_INFO));
  size = static_cast<ULONG>(info.size() * sizeof(FIXED_INFO));
  if (GetNetworkParams(info.data(), &size) != NO_ERROR) return std::string(fallback_server);
  const std::string first = info[0].DnsServerList.IpAddress.String;
  return dravelo::nslookup::parse_ipv4(first) ? first : std::string(fallback_server);
}

// WriteFile, not stdio: the bytes reach the pipe exactly as made, CR LF and all.
void emit(const Report& report) {
  for (const auto& chunk : report.chunks()) {
    const HANDLE h = GetStdHandle(chunk.stream == Stream::out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    std::string_view left = chunk.text;
    while (!left.empty()) {
      DWORD written = 0;
      if (!WriteFile(h, left.data(), static_cast<DWORD>(left.size()), &written, nullptr) ||
          written == 0) {
        break;
      }
      left.remove_prefix(written);
    }
  }
}

int fail(std::string_view message) {
  Report r;
  r.line(Stream::err, message);
  emit(r);
  return 1;
}

std::optional<Bytes> ask(const sockaddr_in& to, std::span<const std::uint8_t> query) {
  auto reply = udp_exchange(to, query);
  if (reply && dravelo::dns::decode(*reply).message.header.tc) reply = tcp_exchange(to, query);
  return reply;
}

int look_up(const dravelo::nslookup::Request& request) {
  const WinsockSession winsock;
  if (!winsock.ok()) return fail("*** Can't start Windows Sockets");
  const std::string server = request.server.empty() ? system_server() : request.server;
  Report header;
  dravelo::nslookup::add_server_header(header, server);
  emit(header);
  const sockaddr_in to = server_address(*dravelo::nslookup::parse_ipv4(server));
  const auto id = static_cast<std::uint16_t>(std::random_device{}());
  const Bytes query = dravelo::dns::encode_query(id, request.query_name, request.type);
  for (int attempt = 0; attempt < dravelo::nslookup::tries; ++attempt) {
    Report r;
    if (const auto reply = ask(to, query)) {
      dravelo::nslookup::add_response(r, request, dravelo::dns::decode(*reply));
      emit(r);
      return r.exit_code;
    }
    dravelo::nslookup::add_timeout_notice(r);
    emit(r);
  }
  Report r;
  dravelo::nslookup::add_timed_out(r);
  emit(r);
  return r.exit_code;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  const auto parsed = dravelo::nslookup::parse_command_line(args);
  if (!parsed.request) return fail(parsed.error);
  return look_up(*parsed.request);
}
