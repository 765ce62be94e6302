; 12-bit core: program words, ID words right after program memory, the configuration word at
; 0xFFF, and the factory calibration word's place (the last program word).
        LIST    P=12C508
        include "p12c508.inc"
        __CONFIG _MCLRE_OFF & _CP_OFF & _WDT_ON & _IntRC_OSC
        __IDLOCS 0xA5C3

        ORG     0x000
        movwf   OSCCAL
        movlw   0x0F
        tris    GPIO
        clrf    GPIO
loop    incf    GPIO, F
        goto    loop

        ORG     0x1FF
        movlw   0x90
        END
