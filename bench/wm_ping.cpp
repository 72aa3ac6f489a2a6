// Asks a window whether it answers, as a window manager does: a _NET_WM_PING
// every INTERVAL milliseconds for DURATION milliseconds, the answers read from
// the root window. Prints how many pings went out, the median and the longest
// time a ping waited for its answer (a ping never answered waited until the
// end), in milliseconds.
//   wm_ping WINDOW DURATION INTERVAL
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
      connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
      nullptr);
  const xcb_atom_t atom = reply ? reply->atom : XCB_ATOM_NONE;
  std::free(reply);
  return atom;
}

double Milliseconds(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: wm_ping WINDOW DURATION_MS INTERVAL_MS\n");
    return 2;
  }
  const auto window = static_cast<xcb_window_t>(std::strtoul(argv[1], nullptr, 0));
  const std::chrono::milliseconds duration(std::atol(argv[2])), interval(std::atol(argv[3]));
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection)) {
    std::fprintf(stderr, "wm_ping: no display\n");
    return 1;
  }
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
  // Toolkits answer to the root with one of these masks.
  const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
  xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
  const xcb_atom_t protocols = Atom(connection, "WM_PROTOCOLS");
  const xcb_atom_t ping = Atom(connection, "_NET_WM_PING");

  std::vector<Clock::time_point> sent;
  std::vector<double> waited;  // per ping; negative while unanswered
  const Clock::time_point start = Clock::now();
  Clock::time_point next = start;
  while (Clock::now() - start < duration) {
    if (Clock::now() >= next) {
      xcb_client_message_event_t event{};
      event.response_type = XCB_CLIENT_MESSAGE;
      event.format = 32;
      event.window = window;
      event.type = protocols;
      event.data.data32[0] = ping;
      event.data.data32[1] = static_cast<uint32_t>(sent.size() + 1);  // the ping's number
      event.data.data32[2] = window;
      xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                     reinterpret_cast<const char*>(&event));
      xcb_flush(connection);
      sent.push_back(Clock::now());
      waited.push_back(-1);
      next += interval;
    }
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
      if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
        const auto* reply = reinterpret_cast<xcb_client_message_event_t*>(event);
        const uint32_t number = reply->data.data32[1];
        if (reply->data.data32[0] == ping && number >= 1 && number <= sent.size() &&
            waited[number - 1] < 0)
          waited[number - 1] = Milliseconds(Clock::now() - sent[number - 1]);
      }
      std::free(event);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  const Clock::time_point end = Clock::now();
  for (size_t i = 0; i < waited.size(); ++i) {
    if (waited[i] < 0) waited[i] = Milliseconds(end - sent[i]);
  }
  std::vector<double> sorted = waited;
  std::sort(sorted.begin(), sorted.end());
  if (sorted.empty()) return 1;
  std::printf("%zu %.1f %.1f\n", sorted.size(), sorted[sorted.size() / 2], sorted.back());
  xcb_disconnect(connection);
  return 0;
}
