; Master boot loader of the host drives: bytes 0-439 of sector 0 (the disk
; signature and the partition table behind it stay as they are).
;
; Moves itself from 0:7C00 to 0:0600, finds the one active primary entry,
; reads that partition's first sector to 0:7C00 (INT 13h extensions when the
; BIOS has them, CHS otherwise), checks its 0xAA55 and jumps to it with DL
; the boot drive and SI the active entry. A table with no active entry, more
; than one, or a boot indicator other than 0 and 0x80 stops with a message.
;
; Assemble: nasm -f bin -o master_boot_code.bin master_boot_code.asm
; The bytes in master_boot_code.cpp must equal the output (a test checks).

bits 16
org 0x0600

LOAD    equ 0x7C00
TABLE   equ 0x0600 + 446
SIZE    equ 440

start:
        cli
        xor     ax, ax
        mov     ss, ax
        mov     sp, LOAD
        mov     ds, ax
        mov     es, ax
        sti
        cld
        mov     si, LOAD
        mov     di, 0x0600
        mov     cx, 256
        rep movsw
        jmp     0:moved

moved:
        mov     [drive], dl
        mov     si, TABLE
        mov     cx, 4
        xor     bp, bp
.scan:
        mov     al, [si]
        cmp     al, 0x80
        jne     .inactive
        test    bp, bp
        jnz     bad_table
        mov     bp, si
        jmp     .next
.inactive:
        test    al, al
        jnz     bad_table
.next:
        add     si, 16
        loop    .scan
        test    bp, bp
        jz      no_active

        mov     di, 3                   ; tries
.try:
        mov     ah, 0x41                ; extensions present?
        mov     bx, 0x55AA
        mov     dl, [drive]
        int     0x13
        jc      .chs
        cmp     bx, 0xAA55
        jne     .chs
        test    cl, 1
        jz      .chs
        mov     eax, [bp + 8]
        mov     [packet.lba], eax
        mov     si, packet
        mov     ah, 0x42
        mov     dl, [drive]
        int     0x13
        jnc     .loaded
        jmp     .retry
.chs:
        mov     dh, [bp + 1]
        mov     cx, [bp + 2]
        mov     bx, LOAD
        mov     ax, 0x0201
        mov     dl, [drive]
        int     0x13
        jnc     .loaded
.retry:
        xor     ax, ax                  ; reset the disk and try again
        mov     dl, [drive]
        int     0x13
        dec     di
        jnz     .try
        mov     si, msg_read
        jmp     stop
.loaded:
        cmp     word [LOAD + 510], 0xAA55
        jne     no_system
        mov     si, bp
        mov     dl, [drive]
        jmp     0:LOAD

bad_table:
        mov     si, msg_table
        jmp     stop
no_active:
        mov     si, msg_active
        jmp     stop
no_system:
        mov     si, msg_system

stop:                                   ; prints the text at SI and halts
        lodsb
        test    al, al
        jz      .halt
        mov     ah, 0x0E
        mov     bx, 0x0007
        int     0x10
        jmp     stop
.halt:
        hlt
        jmp     .halt

msg_table:  db "Bad partition table", 13, 10, 0
msg_active: db "No active partition", 13, 10, 0
msg_read:   db "Disk read error", 13, 10, 0
msg_system: db "No boot sector on the partition", 13, 10, 0

packet:                                 ; INT 13h extended read, one sector to 0:7C00
        db      16, 0
        dw      1
        dw      LOAD, 0
.lba:   dd      0, 0

drive:  db      0

%if ($ - $$) > 336
%error "the loader must leave words 84-108 free"
%endif
        times SIZE - ($ - $$) db 0
