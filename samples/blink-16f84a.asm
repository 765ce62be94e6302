; Blinks an LED on RB0 of a 16F84A with a 4 MHz crystal.
        LIST    P=16F84A
        include "p16f84a.inc"
        __CONFIG _XT_OSC & _WDT_OFF & _PWRTE_ON & _CP_OFF

COUNT1  EQU     0x0C
COUNT2  EQU     0x0D

        ORG     0x000
        goto    start

        ORG     0x005
start   bsf     STATUS, RP0
        clrf    TRISB
        bcf     STATUS, RP0
loop    movlw   0x01
        xorwf   PORTB, F
        call    delay
        goto    loop

delay   movlw   0xFF
        movwf   COUNT1
outer   movlw   0xFF
        movwf   COUNT2
inner   decfsz  COUNT2, F
        goto    inner
        decfsz  COUNT1, F
        goto    outer
        return

        ORG     0x2100
        DE      "Vantrel", 0

        END
