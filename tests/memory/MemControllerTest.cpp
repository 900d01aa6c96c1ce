#include "MemController.h"
#include "MemoryTestSupport.h"
#include "RemoteMemAPI.h"

#include <gtest/gtest.h>

#include <tuple>

using kwtest::CountingObserver;

namespace {

using Components = std::tuple<int, int, int, int>;

Components components(const ParamAddress* a)
{
    return {a->getParamAddress(0), a->getParamAddress(1), a->getParamAddress(2), a->getParamAddress(3)};
}

// A controller owner that assigns itself as observer, as the controls' binding does.
class Binding : public MemControllerHelper, public CountingObserver
{
public:
    void assign() override
    {
        if (getController())
            getController()->assign(this);
    }
};

class MemControllerTest : public ::testing::Test
{
protected:
    RemoteMemAPI api;
    MemControllerFactory factory{&api};
};

} // namespace

TEST_F(MemControllerTest, FactoryMakesOnlyTypeZero)
{
    auto* address = new ParamAddress(0, 1, 2, 1);
    EXPECT_EQ(factory.CreateController(1, address), nullptr);
    EXPECT_EQ(components(address), Components(0, 1, 2, 1)) << "the address stays with the caller";
    delete address;

    MemController* plain = factory.CreateController(0);
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(plain->getParamAddress(), nullptr);
    EXPECT_EQ(components(plain->getParamAddress()), Components(-1, -1, -1, -1));
    EXPECT_EQ(plain->getParamAddress()->addressTransTable(), factory.getAddressTransTable());
    EXPECT_EQ(plain->getMemAPI(), &api);
    factory.DeleteController(plain);
    factory.DeleteController(nullptr);

    MemController* given = factory.CreateController(0, new ParamAddress(0, 7, 13, -1));
    EXPECT_EQ(components(given->getParamAddress()), Components(0, 7, 13, -1));
    factory.DeleteController(given);
}

TEST_F(MemControllerTest, ReadsAndWritesGoThroughTheService)
{
    Binding binding;
    factory.CreateController(&binding);
    binding.setParamAddress(0, 4, "knobB1/ccNumber");
    EXPECT_EQ(components(binding.getParamAddress()), Components(0, 4, 1, 1));
    EXPECT_TRUE(binding.setParam(33L));
    EXPECT_EQ(binding.getParam(), 33);
    EXPECT_EQ(binding.getParamMaxValue(), 127);
    EXPECT_EQ(binding.getParamMinValue(), 0);
    EXPECT_EQ(api.getParam(ParamAddress(0, 4, 1, 1)).getCurrentValue(), 33);

    binding.setParamAddress(0, 4, -1, "templateName");
    EXPECT_EQ(components(binding.getParamAddress()), Components(0, 4, 13, -1));
    EXPECT_TRUE(binding.setParam(QStringLiteral("Strings")));
    EXPECT_EQ(binding.getParamQString(), QStringLiteral("Strings"));
    EXPECT_EQ(binding.getMemapiOfController(), &api);
}

TEST_F(MemControllerTest, ReaimingNotifiesOnlyOnceAssigned)
{
    Binding binding;
    factory.CreateController(&binding);
    binding.setParamAddressNumeric(0, 5, 2, 1);
    EXPECT_EQ(binding.count, 0) << "not assigned: silent";
    binding.assign();
    EXPECT_TRUE(binding.getController()->isAssigned());
    binding.setBankAdr(3);
    EXPECT_EQ(components(binding.getParamAddress()), Components(3, 5, 2, 1));
    EXPECT_EQ(binding.count, 1);
    binding.setKnobAdr(7);
    EXPECT_EQ(components(binding.getParamAddress()), Components(3, 5, 7, 1));
    EXPECT_EQ(binding.count, 2);
    binding.setTemplateAdr(9);
    EXPECT_EQ(components(binding.getParamAddress()), Components(3, 9, 7, 1));
    EXPECT_EQ(binding.count, 3);

    // Registration follows the re-aimed address.
    EXPECT_TRUE(api.setParam(ParamAddress(3, 9, 7, 1), 5L));
    EXPECT_EQ(binding.count, 4);
    EXPECT_TRUE(api.setParam(ParamAddress(0, 5, 2, 1), 5L));
    EXPECT_EQ(binding.count, 4) << "the old address is no longer watched";
}

TEST_F(MemControllerTest, NullAddressIsIgnoredAndAGivenOneIsAdopted)
{
    Binding binding;
    factory.CreateController(&binding);
    binding.setParamAddressNumeric(0, 5, 2, 1);
    binding.assign();
    ParamAddress* before = binding.getParamAddress();
    binding.getController()->setParamAddress(nullptr);
    EXPECT_EQ(components(binding.getParamAddress()), Components(0, 5, 2, 1));
    EXPECT_EQ(binding.count, 0);

    binding.getController()->setParamAddress(new ParamAddress(1, 2, 3, 0));
    EXPECT_EQ(binding.getParamAddress(), before) << "the registered address object stays";
    EXPECT_EQ(components(binding.getParamAddress()), Components(1, 2, 3, 0));
    EXPECT_EQ(binding.count, 1);
    binding.getController()->setParamAddress(binding.getParamAddress());
    EXPECT_EQ(components(binding.getParamAddress()), Components(1, 2, 3, 0));
    EXPECT_TRUE(api.setParam(ParamAddress(1, 2, 3, 0), QStringLiteral("Gain")));
    EXPECT_EQ(binding.count, 2);
}

TEST_F(MemControllerTest, HelperWithoutControllerDoesNothing)
{
    Binding binding;
    binding.setParamAddressNumeric(0, 0, 0, 1);
    binding.setParamAddress(0, 0, 0, "ccNumber");
    binding.setParamAddress(0, 0, "knobA1/ccNumber");
    binding.setBankAdr(1);
    binding.setTemplateAdr(1);
    binding.setKnobAdr(1);
    binding.setController(nullptr);
    EXPECT_EQ(binding.getParamAddress(), nullptr);
    EXPECT_EQ(binding.getMemapiOfController(), nullptr);
    EXPECT_FALSE(binding.setParam(1L));
    EXPECT_FALSE(binding.setParam(QStringLiteral("x")));
    EXPECT_EQ(binding.getParam(), 0);
    EXPECT_EQ(binding.getParamMaxValue(), 0);
    EXPECT_TRUE(binding.getParamQString().isEmpty());
}

TEST_F(MemControllerTest, ControllerWithoutServiceOrAddressIsHarmless)
{
    MemController lonely;
    CountingObserver observer;
    EXPECT_EQ(lonely.getParamAddress(), nullptr);
    EXPECT_FALSE(lonely.setParam(1L));
    EXPECT_FALSE(lonely.setParam(QStringLiteral("x")));
    EXPECT_EQ(lonely.getParam().getMaxValue(), 0);
    EXPECT_TRUE(lonely.getParamQString().isEmpty());
    EXPECT_FALSE(lonely.assign(&observer));
    lonely.setParamAddressNumeric(0, 1, 2, 3);
    EXPECT_EQ(components(lonely.getParamAddress()), Components(0, 1, 2, 3));

    MemController noAddress(&api, nullptr);
    EXPECT_FALSE(noAddress.assign(&observer));
    EXPECT_FALSE(noAddress.isAssigned());
    EXPECT_EQ(api.observerCount(), 0);
}

TEST_F(MemControllerTest, ControllerDeletedElsewhereIsForgottenByItsOwner)
{
    auto binding = std::make_unique<Binding>();
    binding->setMemAPI(&api);
    MemController* controller = factory.CreateController(binding.get());
    binding->setParamAddressNumeric(0, 1, 1, 1);
    binding->assign();
    EXPECT_EQ(api.observerCount(), 1);
    factory.DeleteController(controller);
    EXPECT_EQ(binding->getController(), nullptr);
    EXPECT_EQ(api.observerCount(), 0) << "its address leaves the observer list with it";
    EXPECT_TRUE(api.setParam(ParamAddress(0, 1, 1, 1), 9L));
    binding.reset(); // no second deletion
}

TEST_F(MemControllerTest, NewControllerForAnOwnerKeepsItsAddressAndRegistration)
{
    Binding binding;
    binding.setMemAPI(&api);
    MemController* first = factory.CreateController(&binding);
    binding.setParamAddressNumeric(0, 6, 4, 2);
    binding.assign();
    ParamAddress* address = binding.getParamAddress();

    MemController* second = factory.CreateController(0, &binding);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    EXPECT_EQ(binding.getController(), second);
    EXPECT_EQ(binding.getParamAddress(), address);
    EXPECT_EQ(components(address), Components(0, 6, 4, 2));
    EXPECT_TRUE(api.setParam(ParamAddress(0, 6, 4, 2), 1L));
    EXPECT_EQ(binding.count, 1);

    EXPECT_EQ(factory.CreateController(2, &binding), nullptr);
    EXPECT_EQ(binding.getController(), second);
    EXPECT_EQ(factory.CreateController(0, static_cast<MemControllerHelper*>(nullptr)), nullptr);
}

TEST_F(MemControllerTest, ControllerMovedBetweenOwnersBelongsToTheLastOne)
{
    Binding a;
    Binding b;
    MemController* controller = factory.CreateController(&a);
    b.setController(controller);
    EXPECT_EQ(a.getController(), nullptr);
    EXPECT_EQ(b.getController(), controller);
    b.setController(controller);
    EXPECT_EQ(b.getController(), controller) << "taking the own controller again keeps it";
}

TEST(MemControllerFactoryDefaults, FactoryWithoutServiceStillOwnsATable)
{
    MemControllerFactory factory;
    EXPECT_EQ(factory.getMemAPI(), nullptr);
    ASSERT_NE(factory.getAddressTransTable(), nullptr);
    MemController* controller = factory.CreateController(0);
    controller->setParamAddress(0, 2, "knobC3/displayName");
    EXPECT_EQ(components(controller->getParamAddress()), Components(0, 2, 10, 0));
    factory.DeleteController(controller);
}
