// The main window under the offscreen platform in a fresh application folder, optionally with
// vexlan-unit-sim on loopback behind it; scripted message boxes and file choosers.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "link/app_dir.h"
#include "link/tasks.h"
#include "link/transaction.h"
#include "link/transports.h"
#include "sim_process.h"
#include "ui/frm_main.h"
#include "ui/main_runtime.h"

namespace vexlan {

// Message boxes are recorded and answered with `answer`; file choosers return the queued paths.
struct script_dialogs : dialog_port {
    msg_answer message_box(const std::string& text, msg_icon, msg_buttons, const std::string&) override {
        messages.push_back(text);
        return answer;
    }
    std::string file_open(file_dialog_request&) override { return pop(opens); }
    std::string file_save(file_dialog_request& req) override {
        req.filter_index = 1;
        return pop(saves);
    }
    static std::string pop(std::deque<std::string>& q) {
        if (q.empty()) return {};
        std::string s = q.front();
        q.pop_front();
        return s;
    }
    std::string first() const { return messages.empty() ? "" : messages.front(); }
    std::vector<std::string> messages;
    std::deque<std::string> opens, saves;
    msg_answer answer = msg_answer::yes;
};

template <class W>
W* child(QWidget& w, const QString& name) {
    auto* c = w.findChild<W*>(name);
    EXPECT_NE(c, nullptr) << name.toStdString();
    return c;
}

inline QColor face(QPushButton* b) { return b->palette().color(QPalette::Button); }

// Runs `act` on the modal dialog of type D once the next click shows it, then accepts it.
template <class D>
void on_modal(std::function<void(D&)> act) {
    QTimer::singleShot(0, [act] {
        auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        act(*d);
        d->accept();
    });
}

struct window_rig {
    QTemporaryDir dir;
    script_dialogs dialogs;
    runtime_options ro;
    std::unique_ptr<testing::sim_process> sim;
    std::unique_ptr<main_runtime> rt;
    std::unique_ptr<frm_main> w;

    // With `sim_options`, a simulator whose TCP port, pseudo-terminal (--pty) and discovery
    // responder (--udp-port) the window is given. With `start_now`, the window starts at once.
    explicit window_rig(std::optional<QStringList> sim_options = std::nullopt, bool start_now = true) {
        ro.app_dir = dir.path().toStdString();
        EXPECT_TRUE(dir.isValid() && app_dir_prepare(ro.app_dir, VEXLAN_DATA_DIR).empty());
        ro.discovery_host = "127.0.0.1";  // never a broadcast
        ro.discovery_local_port = 0;
        if (sim_options) {
            sim = std::make_unique<testing::sim_process>(*sim_options);
            EXPECT_TRUE(sim->ok()) << "the simulator did not start: " << VEXLAN_SIM_PATH;
            ro.unit_port = sim->port();
            ro.discovery_port = sim->udp_port();
            if (!sim->pty().empty()) ro.serial_device = sim->pty();
        }
        if (start_now) start();
    }
    ~window_rig() {
        if (w) w->close();
    }
    void start() {
        rt = std::make_unique<main_runtime>(ro, &dialogs);
        w = std::make_unique<frm_main>(*rt);
        w->start();
    }
    // Ethernet to 127.0.0.1, then waits for the housekeeping to link the unit.
    bool link() {
        cbo_interface_change(ctx(), 1);
        ctx().view.txt_eth_ip.caption = "127.0.0.1";
        cmd_eth_open_click(ctx());
        wait(30000, [&] { return linked(); });
        return linked();
    }
    bool linked() { return eth_link_settled(ctx()); }
    app_context& ctx() { return rt->ctx; }
    void wait(int ms, const std::function<bool()>& done = [] { return false; }) {
        rt->pump.wait_until(rt->clock.now_ms() + static_cast<std::uint32_t>(ms), done);
    }
    template <class W>
    W* child(const QString& name) { return vexlan::child<W>(*w, name); }
    QString text(const QString& name) {
        auto* l = child<QLabel>(name);
        return l ? l->text() : QString();
    }
    QStringList texts(const QStringList& names) {
        QStringList out;
        for (const auto& n : names) out << text(n);
        return out;
    }
    QColor face(const QString& name) { return vexlan::face(child<QPushButton>(name)); }
    // The unit's own answer to a query, asked directly.
    std::string unit_value(const std::string& query) {
        cmdtx_str(ctx(), query + "\r");
        return ctx().link.rx_param1;
    }
};

}  // namespace vexlan
