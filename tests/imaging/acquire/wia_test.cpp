// The image acquisition service link: it comes up and goes cleanly whether or not the service
// answers, finds no device on a machine without one, and maps the device manager's events.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "imaging/acquire/wia_device_manager.h"

using namespace imaging;

TEST(Wia, ConnectsWithoutADeviceAndFreesCleanly) {
  auto wia = std::make_unique<TIEWia>(nullptr);
  // Without the service nothing is registered; with it all three events are.
  if (!wia->DeviceManager()) {
    EXPECT_EQ(wia->RegisteredEvents(), 0);
  } else {
    IEnumWIA_DEV_INFO* devices = nullptr;
    ASSERT_EQ(wia->DeviceManager()->EnumDeviceInfo(WIA_DEVINFO_ENUM_LOCAL, &devices), S_OK);
    // The enumeration is walked rather than counted: the count is not implemented everywhere.
    ULONG fetched = 0;
    IWiaPropertyStorage* device = nullptr;
    if (devices) {
      EXPECT_NE(devices->Next(1, &device, &fetched), S_OK);
      if (device) device->Release();
      devices->Release();
    }
    EXPECT_EQ(fetched, 0u);
  }
  EXPECT_TRUE(wia->TakePicture);
  EXPECT_FALSE(wia->DeleteTakenPicture);
  EXPECT_EQ(wia->LastEvent.load(), 0);
  EXPECT_TRUE(wia->Items.empty());
  wia.reset();
}

TEST(Wia, DeviceManagerEventsMapToTheirCodes) {
  TIEWia wia(nullptr);
  int fired = 0;
  TIEWia* sender = nullptr;
  wia.OnItemsTreeUpdated = [&](TIEWia* s) {
    ++fired;
    sender = s;
  };
  auto* callback = new TWiaEventCallBack(&wia);
  const struct {
    const GUID* event;
    uint8_t code;
  } cases[] = {{&IEWiaEventTreeUpdated, 1}, {&IEWiaEventItemCreated, 2}, {&IEWiaEventItemDeleted, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    fired = 0;
    EXPECT_EQ(callback->ImageEventCallback(c.event, nullptr, nullptr, nullptr, 0, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(wia.LastEvent.load(), c.code);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(sender, &wia);
  }
  // Another event, or none, changes nothing and still answers S_OK.
  fired = 0;
  const GUID other = {0x12345678, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
  EXPECT_EQ(callback->ImageEventCallback(&other, nullptr, nullptr, nullptr, 0, nullptr, nullptr, 0), S_OK);
  EXPECT_EQ(callback->ImageEventCallback(nullptr, nullptr, nullptr, nullptr, 0, nullptr, nullptr, 0), S_OK);
  EXPECT_EQ(wia.LastEvent.load(), 3);
  EXPECT_EQ(fired, 0);
  // Cut off from its owner, the callback does nothing.
  callback->Detach();
  EXPECT_EQ(callback->ImageEventCallback(&IEWiaEventTreeUpdated, nullptr, nullptr, nullptr, 0, nullptr, nullptr, 0),
            S_OK);
  EXPECT_EQ(wia.LastEvent.load(), 3);
  callback->Release();
}

// An event handled on the service's thread while the owner goes: the owner waits for it.
struct TRaceState {
  TWiaEventCallBack* callback = nullptr;
  HANDLE inHandler = nullptr;
  std::atomic<bool> handlerDone{false};
};

DWORD WINAPI DeliverEvent(void* parameter) {
  auto* state = static_cast<TRaceState*>(parameter);
  state->callback->ImageEventCallback(&IEWiaEventTreeUpdated, nullptr, nullptr, nullptr, 0, nullptr, nullptr, 0);
  return 0;
}

TEST(Wia, AnOwnerGoingWaitsForAnEventBeingHandled) {
  TRaceState state;
  state.inHandler = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  auto wia = std::make_unique<TIEWia>(nullptr);
  wia->OnItemsTreeUpdated = [&](TIEWia*) {
    SetEvent(state.inHandler);
    Sleep(200);
    state.handlerDone = true;
  };
  state.callback = new TWiaEventCallBack(wia.get());
  HANDLE thread = CreateThread(nullptr, 0, DeliverEvent, &state, 0, nullptr);
  ASSERT_EQ(WaitForSingleObject(state.inHandler, 10000), WAIT_OBJECT_0);
  state.callback->Detach();
  EXPECT_TRUE(state.handlerDone);
  wia.reset();
  WaitForSingleObject(thread, 10000);
  CloseHandle(thread);
  CloseHandle(state.inHandler);
  state.callback->Release();
}
