// A link under test against the real simulator host, on a socket of its own.
// Every host started here, by the link or by the test, is ended by process
// id when the test ends, also when it fails.
#pragma once

#include "hostlink/host_link.h"
#include "tests/hostlink/test_support.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <vector>

namespace talvex::test {

struct Message {
    LinkMessageIcon icon;
    QString title;
    QString text;
    bool operator==(const Message& o) const {
        return icon == o.icon && title == o.title && text == o.text;
    }
};

inline void PrintTo(const Message& m, std::ostream* os) {
    *os << (m.icon == LinkMessageIcon::Critical ? "critical" : "exclamation") << " \""
        << m.title.toStdString() << "\": \"" << m.text.toStdString() << '"';
}

class KorvaTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.Path().isEmpty());
        socket_ = dir_.File(QStringLiteral("s"));
        // The link's own folder holds korva32 (a link to the build's), so a
        // search finds it first.
        binDir_ = dir_.File(QStringLiteral("bin"));
        ASSERT_TRUE(QDir().mkpath(binDir_));
        ASSERT_TRUE(QFile::link(KorvaBinary(), binDir_ + QStringLiteral("/korva32")));
        link_ = MakeLink();
    }

    void TearDown() override {
        for (const auto& l : links_)
            reaper_.Add(l->HostPid());
        links_.clear();
        reaper_.KillAll();
    }

    HostLink& Link() { return *link_; }

    HostLink* MakeLink() {
        auto link = std::make_unique<HostLink>();
        link->SetSocketPath(socket_);
        HostSearch search;
        search.ownFolder = binDir_;
        link->SetHostSearch(search);
        link->SetMessageHandler(
            [this](LinkMessageIcon icon, const QString& title, const QString& text) {
                messages_.push_back({icon, title, text});
            });
        links_.push_back(std::move(link));
        return links_.back().get();
    }

    TempDir dir_;
    QString socket_;
    QString binDir_;
    ProcessReaper reaper_;
    std::vector<Message> messages_;
    std::vector<std::unique_ptr<HostLink>> links_;
    HostLink* link_ = nullptr;
};

} // namespace talvex::test
