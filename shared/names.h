// Names both programs agree on: kernel objects of the rate block, files and INI keys.
#pragma once

namespace tral {

// Stop signal of the counting worker and guard against a second counting instance.
inline constexpr char kServiceEventName[] = "Global\\QTraldenServiceEvent";
inline constexpr char kServiceName[] = "QTraldenMeterService";
inline constexpr char kServiceDescription[] = "Network data counter service";

// The shared rate block: request event, answer event, mutex around the contents, the section.
inline constexpr char kRequestEventName[] = "Global\\QRateGet";
inline constexpr char kAnswerEventName[] = "Global\\QRateSet";
inline constexpr char kBlockMutexName[] = "Global\\QRateMMt";
inline constexpr char kBlockSectionName[] = "Global\\QMemSet";

// Files beside the service executable.
inline constexpr char kServiceIniName[] = "TraldenMeter.ini";
inline constexpr char kOptionsSection[] = "OPTIONS";
inline constexpr char kKeepDaysKey[] = "keepdays";
// The full path of the Prometheus textfile the service keeps up to date; empty or absent: none.
inline constexpr char kPrometheusFileKey[] = "prometheusfile";

}  // namespace tral
