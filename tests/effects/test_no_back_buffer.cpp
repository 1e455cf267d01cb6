// After the application has closed there is no back buffer: every effect
// logs the lock failure at level DEBUG, draws nothing and returns its result
// (the title sequence closes the application and returns 0, all others 1).

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "app/offline_show.h"
#include "support/test_support.h"

namespace {

int count_of(const std::string& text, const std::string& part) {
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

}  // namespace

TEST(no_back_buffer, every_effect_logs_the_lock_failure_and_draws_nothing) {
    if (!vdk::test::show_data_available()) GTEST_SKIP() << "needs the generated data";
    vdk::test::scoped_work_dir dir(true);
    offline_show show;
    ASSERT_TRUE(show.open());
    my_app& app = show.app();
    app.close();
    ASSERT_EQ(app.pixels(), nullptr);
    const std::string line = "[DEBUG]] BACK BUFFER TEXTURE LOCK FAILED, BUFF==NULLPTR";
    std::set<base_effect*> tried;
    for (const scene_window& scene : app.scenes()) {
        if (!tried.insert(scene.effect).second) continue;
        const std::string name = app.effect_name(scene.effect);
        const int before = count_of(vdk::test::read_file("app.log"), line);
        const int result = scene.effect->run(1000.0f, scene.start + 0.5);
        EXPECT_EQ(result, scene.effect == &app.intro_group ? 0 : 1) << name;
        EXPECT_EQ(count_of(vdk::test::read_file("app.log"), line), before + 1) << name;
    }
    EXPECT_EQ(tried.size(), 20u);
    EXPECT_EQ(app.on_frame(2000.0f), -1);
}
