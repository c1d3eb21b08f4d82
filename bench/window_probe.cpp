// Watches a window while it runs a command: pings it (_NET_WM_PING) every few milliseconds and reads
// two parts of its picture, the progress caption and some rows of the list.
//
//   window_probe WINDOW CAPTION_X CAPTION_Y CAPTION_W CAPTION_H LIST_X LIST_Y LIST_W LIST_H COMMAND...
//
// Takes the pictures once, runs COMMAND (the key press that starts the command), then watches until
// the rows change (the finished first screen) and half a second more, and prints
//   first_screen=S longest_gap=S captions=N
// first_screen: seconds from COMMAND to the changed rows; longest_gap: the longest time without a ping
// answer in between; captions: the distinct pictures of the caption area seen in between, the one
// before COMMAND not counted. Build: g++ -std=c++20 -O2 window_probe.cpp -lxcb
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

struct Area {
    int x, y, w, h;
};

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t a = r ? r->atom : 0;
    std::free(r);
    return a;
}

// A hash of the pixels of one area of the window; 0 when it cannot be read.
std::uint64_t picture(xcb_connection_t* c, xcb_window_t w, const Area& a) {
    auto* r = xcb_get_image_reply(c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, w, a.x, a.y, a.w, a.h, ~0u),
                                  nullptr);
    if (!r)
        return 0;
    const std::uint8_t* p = xcb_get_image_data(r);
    std::uint64_t h = 1469598103934665603ull;
    for (int i = 0, n = xcb_get_image_data_length(r); i < n; ++i)
        h = (h ^ p[i]) * 1099511628211ull;
    std::free(r);
    return h;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 11) {
        std::fprintf(stderr, "usage: window_probe WINDOW CX CY CW CH LX LY LW LH COMMAND...\n");
        return 2;
    }
    const auto window = static_cast<xcb_window_t>(std::strtoul(argv[1], nullptr, 0));
    const Area caption{std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5])};
    const Area rows{std::atoi(argv[6]), std::atoi(argv[7]), std::atoi(argv[8]), std::atoi(argv[9])};
    std::string command;
    for (int i = 10; i < argc; ++i)
        command += std::string(i > 10 ? " " : "") + argv[i];

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c))
        return 1;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY; // where ping answers are sent
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t protocols = atom(c, "WM_PROTOCOLS"), ping = atom(c, "_NET_WM_PING");

    const std::uint64_t captionBefore = picture(c, window, caption), rowsBefore = picture(c, window, rows);
    std::set<std::uint64_t> captions;
    const Clock::time_point start = Clock::now();
    if (std::system(command.c_str()) != 0)
        return 1;
    Clock::time_point lastAnswer = start, finished{}, lastPing{};
    double longestGap = 0;
    std::uint32_t stamp = 0;
    while (Clock::now() - start < std::chrono::seconds(120)) {
        const Clock::time_point now = Clock::now();
        if (finished != Clock::time_point{} && now - finished > std::chrono::milliseconds(500))
            break;
        if (now - lastPing > std::chrono::milliseconds(10)) {
            xcb_client_message_event_t e{};
            e.response_type = XCB_CLIENT_MESSAGE;
            e.format = 32;
            e.window = window;
            e.type = protocols;
            e.data.data32[0] = ping;
            e.data.data32[1] = ++stamp;
            e.data.data32[2] = window;
            xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&e));
            xcb_flush(c);
            lastPing = now;
        }
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            const auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
            if ((e->response_type & 0x7f) == XCB_CLIENT_MESSAGE && m->data.data32[0] == ping &&
                finished == Clock::time_point{}) {
                longestGap = std::max(longestGap, seconds(Clock::now() - lastAnswer));
                lastAnswer = Clock::now();
            }
            std::free(e);
        }
        if (finished == Clock::time_point{}) {
            const std::uint64_t shown = picture(c, window, caption);
            if (shown != captionBefore)
                captions.insert(shown);
            if (picture(c, window, rows) != rowsBefore) {
                finished = Clock::now();
                longestGap = std::max(longestGap, seconds(finished - lastAnswer));
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (finished == Clock::time_point{})
        return 1;
    std::printf("first_screen=%.3f longest_gap=%.3f captions=%zu\n", seconds(finished - start), longestGap,
                captions.size());
    xcb_disconnect(c);
    return 0;
}
