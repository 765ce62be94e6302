; 14-bit core: program words at both ends of memory, ID words, one configuration word and a
; run of data EEPROM bytes (one per word, high byte zero).
        LIST    P=16F877A
        include "p16f877a.inc"
        errorlevel -302
        __CONFIG _HS_OSC & _WDT_OFF & _PWRTE_ON & _BOREN_ON & _LVP_OFF & _CPD_OFF & _WRT_OFF & _CP_OFF
        __IDLOCS 0x1234

        ORG     0x0000
        goto    start
        ORG     0x0004
        retfie
start   bsf     STATUS, RP0
        movlw   0x19
        movwf   SPBRG
        bsf     TXSTA, TXEN
        bcf     STATUS, RP0
        bsf     RCSTA, SPEN
        movlw   0x55
        movwf   TXREG
        goto    $

        ORG     0x1FFF
        goto    start

        ORG     0x2100
        DE      "Vantrel", 0x00, 0x7F, 0x80, 0x01
        END
