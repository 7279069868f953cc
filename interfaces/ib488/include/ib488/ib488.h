/* The IEEE 488 driver API: the traditional ib* calls, their status words, error codes,
 * time-out codes and configuration options, with the same names, values and signatures
 * as the Linux GPIB library (libgpib.so.0), so that a client can load either the
 * simulated driver library of this project or a real one by file name.
 *
 * This header declares the API only; clients normally resolve the functions at run time
 * with dlsym. Plain C, usable from C and C++. */
#ifndef IB488_IB488_H
#define IB488_IB488_H

#ifdef __cplusplus
extern "C" {
#endif

#if defined(IB488_BUILDING_LIBRARY)
#define IB488_API __attribute__((visibility("default")))
#else
#define IB488_API
#endif

/* Status word (ibsta) bits. */
enum ibsta_bits {
    DCAS = 0x1,    /* device clear state */
    DTAS = 0x2,    /* device trigger state */
    LACS = 0x4,    /* addressed as listener */
    TACS = 0x8,    /* addressed as talker */
    ATN = 0x10,    /* attention asserted */
    CIC = 0x20,    /* controller in charge */
    REM = 0x40,    /* remote state */
    LOK = 0x80,    /* lockout state */
    CMPL = 0x100,  /* I/O complete */
    EVENT = 0x200, /* DCAS, DTAS or IFC occurred */
    SPOLL = 0x400, /* board serial polled */
    RQS = 0x800,   /* device requesting service */
    SRQI = 0x1000, /* SRQ line asserted */
    END = 0x2000,  /* EOI or EOS seen */
    TIMO = 0x4000, /* time limit exceeded */
    ERR = 0x8000   /* error: see iberr */
};

/* Error codes (iberr), meaningful when ERR is set. */
enum iberr_code {
    EDVR = 0,  /* system error */
    ECIC = 1,  /* not controller in charge */
    ENOL = 2,  /* no listeners */
    EADR = 3,  /* not addressed */
    EARG = 4,  /* invalid argument */
    ESAC = 5,  /* not system controller */
    EABO = 6,  /* operation aborted (time-out or ibstop) */
    ENEB = 7,  /* board does not exist */
    EDMA = 8,  /* DMA error */
    EOIP = 10, /* asynchronous I/O in progress */
    ECAP = 11, /* no capability */
    EFSO = 12, /* file system error */
    EBUS = 14, /* command byte transfer error */
    ESTB = 15, /* serial poll status bytes lost */
    ESRQ = 16, /* SRQ stuck on */
    ETAB = 20  /* table problem */
};

/* Time-out codes for ibdev, ibtmo and IbcTMO. */
enum gpib_timeout {
    TNONE = 0,
    T10us = 1,
    T30us = 2,
    T100us = 3,
    T300us = 4,
    T1ms = 5,
    T3ms = 6,
    T10ms = 7,
    T30ms = 8,
    T100ms = 9,
    T300ms = 10,
    T1s = 11,
    T3s = 12,
    T10s = 13,
    T30s = 14,
    T100s = 15,
    T300s = 16,
    T1000s = 17
};

/* End-of-string mode bits (eos argument of ibdev; the low byte is the character). */
enum eos_flags {
    EOS_MASK = 0x1c00,
    REOS = 0x400, /* terminate reads on the EOS character */
    XEOS = 0x800, /* assert EOI when the EOS character is written */
    BIN = 0x1000  /* compare all eight bits of the EOS character */
};

/* Secondary address arguments: ibdev and ibln take 0 (none) or 0x60 + n for n in 0..30. */
enum sad_special_address { NO_SAD = 0, ALL_SAD = -1 };

/* ibconfig options. */
enum ibconfig_option {
    IbcPAD = 0x1,
    IbcSAD = 0x2,
    IbcTMO = 0x3,
    IbcEOT = 0x4,
    IbcPPC = 0x5,
    IbcREADDR = 0x6,
    IbcAUTOPOLL = 0x7,
    IbcCICPROT = 0x8,
    IbcIRQ = 0x9,
    IbcSC = 0xa,
    IbcSRE = 0xb,
    IbcEOSrd = 0xc,
    IbcEOSwrt = 0xd,
    IbcEOScmp = 0xe,
    IbcEOSchar = 0xf,
    IbcPP2 = 0x10,
    IbcTIMING = 0x11,
    IbcDMA = 0x12,
    IbcReadAdjust = 0x13,
    IbcWriteAdjust = 0x14,
    IbcEventQueue = 0x15,
    IbcSPollBit = 0x16,
    IbcSendLLO = 0x17,
    IbcSPollTime = 0x18,
    IbcPPollTime = 0x19,
    IbcEndBitIsNormal = 0x1a,
    IbcUnAddr = 0x1b,
    IbcHSCableLength = 0x1f,
    IbcIst = 0x20,
    IbcRsv = 0x21,
    IbcBNA = 0x200
};

/* ibask options. */
enum ibask_option {
    IbaPAD = 0x1,
    IbaSAD = 0x2,
    IbaTMO = 0x3,
    IbaEOT = 0x4,
    IbaPPC = 0x5,
    IbaREADDR = 0x6,
    IbaAUTOPOLL = 0x7,
    IbaCICPROT = 0x8,
    IbaIRQ = 0x9,
    IbaSC = 0xa,
    IbaSRE = 0xb,
    IbaEOSrd = 0xc,
    IbaEOSwrt = 0xd,
    IbaEOScmp = 0xe,
    IbaEOSchar = 0xf,
    IbaPP2 = 0x10,
    IbaTIMING = 0x11,
    IbaDMA = 0x12,
    IbaReadAdjust = 0x13,
    IbaWriteAdjust = 0x14,
    IbaEventQueue = 0x15,
    IbaSPollBit = 0x16,
    IbaSendLLO = 0x17,
    IbaSPollTime = 0x18,
    IbaPPollTime = 0x19,
    IbaEndBitIsNormal = 0x1a,
    IbaUnAddr = 0x1b,
    IbaHSCableLength = 0x1f,
    IbaIst = 0x20,
    IbaRsv = 0x21,
    IbaBNA = 0x200,
    Iba7BitEOS = 0x1000
};

/* iblines bits: the Valid* bits say which lines the board can monitor, the Bus* bits
 * which lines are asserted. */
enum bus_control_line {
    ValidDAV = 0x1,
    ValidNDAC = 0x2,
    ValidNRFD = 0x4,
    ValidIFC = 0x8,
    ValidREN = 0x10,
    ValidSRQ = 0x20,
    ValidATN = 0x40,
    ValidEOI = 0x80,
    ValidALL = 0xff,
    BusDAV = 0x100,
    BusNDAC = 0x200,
    BusNRFD = 0x400,
    BusIFC = 0x800,
    BusREN = 0x1000,
    BusSRQ = 0x2000,
    BusATN = 0x4000,
    BusEOI = 0x8000
};

/* Interface command bytes for ibcmd. */
enum cmd_byte {
    GTL = 0x1,  /* go to local */
    SDC = 0x4,  /* selected device clear */
    PPC = 0x5,  /* parallel poll configure */
    GET = 0x8,  /* group execute trigger */
    TCT = 0x9,  /* take control */
    LLO = 0x11, /* local lockout */
    DCL = 0x14, /* device clear */
    PPU = 0x15, /* parallel poll unconfigure */
    SPE = 0x18, /* serial poll enable */
    SPD = 0x19, /* serial poll disable */
    LAD = 0x20, /* listen address base */
    UNL = 0x3f, /* unlisten */
    TAD = 0x40, /* talk address base */
    UNT = 0x5f, /* untalk */
    SAD = 0x60  /* secondary address base */
};

/* IEEE 488.2 addresses: primary address in the low byte, secondary address (0x60 + n,
 * or 0 for none) in the high byte. */
typedef unsigned short Addr4882_t;
static const Addr4882_t NOADDR = (Addr4882_t)0xffff;

static inline Addr4882_t MakeAddr(unsigned int pad, unsigned int sad) {
    return (Addr4882_t)((pad & 0xffu) | ((sad << 8) & 0xff00u));
}
static inline unsigned int GetPAD(Addr4882_t address) {
    return address & 0xffu;
}
static inline unsigned int GetSAD(Addr4882_t address) {
    return (address >> 8) & 0xffu;
}

/* ibnotify callback: descriptor, status word, error code and count of the event. The
 * return value is the new notification mask (0 ends the notification); it is called on a
 * thread of the library. */
typedef int (*GpibNotifyCallback_t)(int ud, int ibsta, int iberr, long ibcntl, void* refData);

/* Status of the last call of any thread. */
extern IB488_API volatile int ibsta;
extern IB488_API volatile int iberr;
extern IB488_API volatile int ibcnt;
extern IB488_API volatile long ibcntl;

/* Status of the last call of the calling thread. */
IB488_API int ThreadIbsta(void);
IB488_API int ThreadIberr(void);
IB488_API int ThreadIbcnt(void);
IB488_API long ThreadIbcntl(void);

/* Board descriptors are the board indexes (0 to 15); device descriptors come from ibdev.
 * Every function returns the status word and sets the status words. */
IB488_API int ibask(int ud, int option, int* value);
IB488_API int ibclr(int ud);
IB488_API int ibcmd(int ud, const void* commands, long count);
IB488_API int ibgts(int ud, int shadow_handshake);
IB488_API int ibcac(int ud, int synchronous);
IB488_API int ibconfig(int ud, int option, int value);
IB488_API int ibdev(int board_index, int pad, int sad, int timo, int send_eoi, int eosmode);
IB488_API int ibeot(int ud, int send_eoi);
IB488_API int ibeos(int ud, int eosmode);
IB488_API int ibfind(const char* name);
IB488_API int iblines(int ud, short* line_status);
IB488_API int ibln(int ud, int pad, int sad, short* found_listener);
IB488_API int ibloc(int ud);
IB488_API int ibnotify(int ud, int mask, GpibNotifyCallback_t callback, void* refData);
IB488_API int ibonl(int ud, int online);
IB488_API int ibpad(int ud, int pad);
IB488_API int ibsad(int ud, int sad);
IB488_API int ibrd(int ud, void* buffer, long count);
IB488_API int ibrda(int ud, void* buffer, long count);
IB488_API int ibrsc(int ud, int request_control);
IB488_API int ibrsp(int ud, char* status_byte);
IB488_API int ibsic(int ud);
IB488_API int ibsre(int ud, int enable);
IB488_API int ibstop(int ud);
IB488_API int ibtmo(int ud, int timeout);
IB488_API int ibtrg(int ud);
IB488_API int ibwait(int ud, int mask);
IB488_API int ibwrt(int ud, const void* buffer, long count);
IB488_API int ibwrta(int ud, const void* buffer, long count);

/* Diagnostic data of the descriptor's board: byte 0 is the header 0x90, byte 1 the
 * board type code, byte 2 the board index; the count is the number of bytes written. */
IB488_API int ibdiag(int ud, void* buffer, long count);

/* IEEE 488.2 calls on a board. */
IB488_API void FindLstn(int board_index, const Addr4882_t padList[], Addr4882_t resultList[],
                        int maxNumResults);
IB488_API void AllSpoll(int board_index, const Addr4882_t addressList[], short resultList[]);

/* Text of an error code. */
IB488_API const char* gpib_error_string(int error);

#ifdef __cplusplus
}
#endif

#endif /* IB488_IB488_H */
