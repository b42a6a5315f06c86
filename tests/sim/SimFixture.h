#pragma once

#include "Server.h"
#include "SimTestClient.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace pelorin::test {

// A simulator with the demo plant on free ports, a fake clock and its own data folder.
class SimFixture : public ::testing::Test {
protected:
    void SetUp() override { startServer(); }

    void startServer(const std::function<void(sim::ServerOptions&)>& adjust = {}) {
        sim::ServerOptions options;
        options.dataFolder = m_Data.path();
        options.fakeClock = true;
        if (adjust)
            adjust(options);
        m_Server = std::make_unique<sim::Server>(options);
        QString error;
        ASSERT_TRUE(m_Server->start(&error)) << error.toStdString();
    }

    // A client logged in as the demo user with every right.
    std::unique_ptr<SimTestClient> loggedInClient(std::string_view visa = "DEMO",
                                                  std::string_view password = "demo") {
        auto client = std::make_unique<SimTestClient>();
        EXPECT_TRUE(client->connectTo(m_Server->framedPort()));
        EXPECT_GE(client->login(visa, password), 1);
        return client;
    }

    QTemporaryDir m_Data;
    std::unique_ptr<sim::Server> m_Server;
};

} // namespace pelorin::test
