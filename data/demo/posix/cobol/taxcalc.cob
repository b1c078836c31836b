      *> TAXCALC: the sales tax of a net amount by tax class.
      *>   S  standard rate, 17.5 per cent
      *>   R  reduced rate, 5 per cent
      *>   Z  zero rated
      *> Any other class gives no tax and status 1. The tax is rounded
      *> to the cent, halves away from zero.
       IDENTIFICATION DIVISION.
       PROGRAM-ID. TAXCALC.

       DATA DIVISION.
       WORKING-STORAGE SECTION.
       01  WS-RATE                 PIC 9(2)V9(3).

       LINKAGE SECTION.
       01  LK-NET                  PIC S9(9)V99 COMP-3.
       01  LK-TAX-CLASS            PIC X.
       01  LK-TAX                  PIC S9(9)V99 COMP-3.
       01  LK-STATUS               PIC 9.

       PROCEDURE DIVISION USING LK-NET, LK-TAX-CLASS,
                                LK-TAX, LK-STATUS.
       TAX-PARAGRAPH.
           MOVE ZERO TO LK-STATUS
           EVALUATE LK-TAX-CLASS
               WHEN "S"   MOVE 17.5 TO WS-RATE
               WHEN "R"   MOVE 5    TO WS-RATE
               WHEN "Z"   MOVE ZERO TO WS-RATE
               WHEN OTHER
                   MOVE ZERO TO WS-RATE
                   MOVE 1 TO LK-STATUS
           END-EVALUATE
           COMPUTE LK-TAX ROUNDED = LK-NET * WS-RATE / 100
           GOBACK.
