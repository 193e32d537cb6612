// Battery devices found through SetupAPI and asked through their battery class driver.
#include "platform/windows/BatteryRate.h"

#include <windows.h>

#include <batclass.h>
#include <devguid.h>
#include <setupapi.h>

#include <memory>

namespace tallyvolt::win {
namespace {

struct HandleCloser
{
    void operator()(HANDLE h) const { ::CloseHandle(h); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

BatteryRate QueryBattery(const wchar_t* devicePath)
{
    BatteryRate result;
    Handle device(::CreateFileW(devicePath, GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (device.get() == INVALID_HANDLE_VALUE) {
        device.release();
        return result;
    }
    DWORD bytes = 0;
    ULONG wait = 0;
    BATTERY_QUERY_INFORMATION query{};
    if (!::DeviceIoControl(device.get(), IOCTL_BATTERY_QUERY_TAG, &wait, sizeof wait,
                           &query.BatteryTag, sizeof query.BatteryTag, &bytes, nullptr) ||
        query.BatteryTag == 0)
        return result;
    query.InformationLevel = BatteryInformation;
    BATTERY_INFORMATION info{};
    if (!::DeviceIoControl(device.get(), IOCTL_BATTERY_QUERY_INFORMATION, &query, sizeof query,
                           &info, sizeof info, &bytes, nullptr) ||
        (info.Capabilities & BATTERY_CAPACITY_RELATIVE))
        return result;
    BATTERY_WAIT_STATUS waitStatus{};
    waitStatus.BatteryTag = query.BatteryTag;
    BATTERY_STATUS status{};
    if (!::DeviceIoControl(device.get(), IOCTL_BATTERY_QUERY_STATUS, &waitStatus, sizeof waitStatus,
                           &status, sizeof status, &bytes, nullptr))
        return result;
    if (static_cast<ULONG>(status.Rate) != BATTERY_UNKNOWN_RATE)
        result.milliwatts = static_cast<std::int32_t>(status.Rate);
    return result;
}

} // namespace

std::optional<double> PowerDrawFrom(const std::vector<BatteryRate>& batteries)
{
    std::optional<double> watts;
    for (const BatteryRate& battery : batteries)
        if (battery.milliwatts)
            watts = watts.value_or(0.0) - static_cast<double>(*battery.milliwatts) / 1000.0;
    return watts;
}

std::vector<BatteryRate> ReadBatteryRates()
{
    std::vector<BatteryRate> rates;
    HDEVINFO devices = ::SetupDiGetClassDevsW(&GUID_DEVCLASS_BATTERY, nullptr, nullptr,
                                              DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (devices == INVALID_HANDLE_VALUE)
        return rates;
    for (DWORD index = 0; index < 16; ++index) {
        SP_DEVICE_INTERFACE_DATA item{};
        item.cbSize = sizeof item;
        if (!::SetupDiEnumDeviceInterfaces(devices, nullptr, &GUID_DEVCLASS_BATTERY, index, &item))
            break; // ERROR_NO_MORE_ITEMS, or nothing more to be had
        DWORD needed = 0;
        ::SetupDiGetDeviceInterfaceDetailW(devices, &item, nullptr, 0, &needed, nullptr);
        if (needed < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W))
            continue;
        std::vector<unsigned char> buffer(needed);
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.data());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        if (::SetupDiGetDeviceInterfaceDetailW(devices, &item, detail, needed, nullptr, nullptr))
            rates.push_back(QueryBattery(detail->DevicePath));
    }
    ::SetupDiDestroyDeviceInfoList(devices);
    return rates;
}

} // namespace tallyvolt::win
