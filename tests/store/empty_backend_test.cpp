// A store session without a backend fails cleanly.
#include <gtest/gtest.h>

#include "store/items/KelmServer.h"

TEST(StoreBackend, EmptyBackendFailsCleanly) {
    kelm::store::KelmServer server(nullptr, std::make_shared<kelm::store::StoreBackend>());
    EXPECT_EQ(kelm::store::KELM_E_STORE_UNAVAILABLE, server.Init());
    EXPECT_EQ(kelm::store::KELM_E_STORE_UNAVAILABLE, server.Load("x.qvm", 0));
}
