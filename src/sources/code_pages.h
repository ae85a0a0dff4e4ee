// Which bytes lead a double-byte character in the code page that names are written in.
#pragma once

struct lead_byte_table {
    bool is_lead[256];
    // No trail byte lies below this one: a lower byte after a lead byte is a character of its
    // own, and a reader of the page takes it as such (0: any byte may follow a lead byte).
    unsigned char lowest_trail_byte;
};

// The lead bytes of the double-byte code pages 932, 936, 949, 950 and 1361; none for others.
lead_byte_table lead_bytes_of_code_page(unsigned code_page);

// The lead bytes of the active code page, asked of the system on first use only, so a run
// that meets no byte above 0x7F never spends time on the locale.
lead_byte_table const& active_lead_bytes();

// Forgets the active code page, so the next run asks again (tests make many runs in a process).
void forget_active_code_page();
