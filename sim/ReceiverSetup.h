#pragma once
#include <optional>
#include <string>
#include <vector>

// The set-up sentences a cockpit sends to a generic NMEA receiver:
//   $PSRF100,protocol,baud,databits,stopbits,parity    the serial port
//   $PSRF103,msg,mode,rate,checksum                    one message's output rate
namespace orv::sim {

struct TPortSetup {
    int Protocol = 0;  // 1 NMEA
    long Baud = 0;
    int DataBits = 8;
    int StopBits = 1;
    int Parity = 0;    // 0 none, 1 odd, 2 even
};

struct TRateSetup {
    int Message = 0;   // 0 GGA, 1 GLL, 2 GSA, 3 GSV, 4 RMC, 5 VTG, 6 ZDA
    int Mode = 0;      // 0 set the rate, 1 send one now
    int Rate = 0;      // seconds between sentences, 0 off
    int Checksum = 1;  // 1 with checksum
};

// Fields of the body (field 0 "PSRF100" / "PSRF103"); nothing, with the
// reason, when they do not fit.
std::optional<TPortSetup> ParsePortSetup(const std::vector<std::string>& fields, std::string& error);
std::optional<TRateSetup> ParseRateSetup(const std::vector<std::string>& fields, std::string& error);

std::string DescribePortSetup(const TPortSetup& s);
std::string DescribeRateSetup(const TRateSetup& s);

} // namespace orv::sim
