; 18F: program words, the eight ID bytes, configuration bytes set one by one (so the file holds
; records at odd addresses) and data EEPROM runs at odd offsets and of odd length.
        LIST    P=18F452
        include "p18f452.inc"
        errorlevel -302
        CONFIG  OSC = HS, PWRT = ON, BOR = OFF, WDT = OFF, LVP = OFF, CP0 = ON
        __IDLOCS _IDLOC0, 0x11
        __IDLOCS _IDLOC1, 0x22
        __IDLOCS _IDLOC2, 0x33
        __IDLOCS _IDLOC3, 0x44
        __IDLOCS _IDLOC4, 0x55
        __IDLOCS _IDLOC5, 0x66
        __IDLOCS _IDLOC6, 0x77
        __IDLOCS _IDLOC7, 0x08

        ORG     0x0000
        goto    start
        ORG     0x0008
        retfie  FAST
start   clrf    TRISB, ACCESS
loop    incf    LATB, F, ACCESS
        bra     loop

        ORG     0x7FFE
        DW      0x1234

        ORG     0xF00000
        DE      "Vantrel", 0x00, 0x12
        ORG     0xF00011
        DE      0xA5, 0x5A, 0x3C
        ORG     0xF000FF
        DE      0x01
        END
